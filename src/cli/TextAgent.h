// polkit's text agent on our terminal, for as long as one of these lives: where udisks2 needs the user's
// password to open a device for us, pkttyagent asks for it on the terminal.
#pragma once

#include <sys/types.h>

namespace quillot::cli {

class TTextAgent {
 public:
  // Starts pkttyagent for this process and waits until it is registered (or gone: without polkit's
  // agent the question is simply refused, as with no terminal).
  TTextAgent();
  // Stops it.
  ~TTextAgent();
  TTextAgent(const TTextAgent&) = delete;
  TTextAgent& operator=(const TTextAgent&) = delete;

 private:
  pid_t pid_ = -1;
};

}  // namespace quillot::cli
