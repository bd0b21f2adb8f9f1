#include "gui/SignalCloser.h"

#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quillot::gui {

namespace {
int gSignalPipe[2] = {-1, -1};

extern "C" void OnCloseSignal(int) {
  const char byte = 1;
  // Only async-signal-safe work here: the event loop does the rest.
  [[maybe_unused]] ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}
}  // namespace

TSignalCloser::TSignalCloser(QWidget* window) : window_(window) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) != 0) return;
  notifier_ = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char buffer[16];
    while (::read(gSignalPipe[0], buffer, sizeof buffer) > 0) {}
    window_->close();
  });
  struct sigaction sa {};
  sa.sa_handler = OnCloseSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

TSignalCloser::~TSignalCloser() {
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  delete notifier_;
  notifier_ = nullptr;
  for (int& fd : gSignalPipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

}  // namespace quillot::gui
