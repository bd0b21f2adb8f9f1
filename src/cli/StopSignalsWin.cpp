#include "cli/StopSignals.h"

#include <windows.h>

namespace quillot::cli {

namespace {
std::atomic<bool>* gStop = nullptr;
std::atomic<bool> gInterrupted{false};

// Runs on a thread of its own that the system starts. For the console closing the process ends when
// this returns, so the pass has only until then; Ctrl-C and Ctrl-Break are answered as handled.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      gInterrupted = true;
      if (gStop) *gStop = true;
      return TRUE;
    default: return FALSE;
  }
}
}  // namespace

TStopSignals::TStopSignals(std::atomic<bool>& stop) {
  gStop = &stop;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

TStopSignals::~TStopSignals() {
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  gStop = nullptr;
}

bool StopWasAsked() { return gInterrupted; }
void ForgetStopAsked() { gInterrupted = false; }

}  // namespace quillot::cli
