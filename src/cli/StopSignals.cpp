#include "cli/StopSignals.h"

#include <csignal>
#include <iterator>

namespace quillot::cli {

namespace {
std::atomic<bool>* gStop = nullptr;
std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) {
  gInterrupted = true;
  if (gStop) *gStop = true;
}

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction gOld[std::size(kSignals)]{};
}  // namespace

TStopSignals::TStopSignals(std::atomic<bool>& stop) {
  gStop = &stop;
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &sa, &gOld[i]);
  signal(SIGPIPE, SIG_IGN);
}

TStopSignals::~TStopSignals() {
  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &gOld[i], nullptr);
  gStop = nullptr;
}

bool StopWasAsked() { return gInterrupted; }
void ForgetStopAsked() { gInterrupted = false; }

}  // namespace quillot::cli
