// polkit's text agent on our terminal, for as long as one of these lives: where udisks2 needs the user's
// password to open a device for us, pkttyagent asks for it on the terminal. It is registered for this
// process alone and not as a fallback: polkit passes a fallback agent over for a process outside a login
// session (ssh without logind, containers), and the person who typed the command is at this terminal.
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
