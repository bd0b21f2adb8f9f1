// Ctrl-C and the like stop a running pass at the end of the chunk in hand, with the open file closed.
#pragma once

#include <atomic>

namespace quillot::cli {

// While one lives, a stop request from outside (Linux: SIGINT, SIGTERM, SIGHUP; Windows: Ctrl-C,
// Ctrl-Break, the console closing) sets stop. Output to a closed pipe is dropped instead of ending the
// program.
class TStopSignals {
 public:
  explicit TStopSignals(std::atomic<bool>& stop);
  ~TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;
};

// Whether a stop was asked from outside since the last ForgetStopAsked.
bool StopWasAsked();
void ForgetStopAsked();

}  // namespace quillot::cli
