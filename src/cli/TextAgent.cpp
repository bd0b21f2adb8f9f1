#include "cli/TextAgent.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

extern char** environ;

namespace quillot::cli {

namespace {
// The descriptor the agent closes once it is registered.
constexpr int kNotifyFd = 3;
// A registration takes a moment; an agent that does not manage it in this time is not waited for.
constexpr int kRegisterTimeoutMs = 10'000;
}  // namespace

TTextAgent::TTextAgent() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return;
  // Kept above the notify descriptor, so dup2 always makes a fresh one without close-on-exec.
  const int writeEnd = ::fcntl(fds[1], F_DUPFD_CLOEXEC, 10);
  ::close(fds[1]);
  if (writeEnd < 0) {
    ::close(fds[0]);
    return;
  }
  const std::string pid = std::to_string(::getpid()), notify = std::to_string(kNotifyFd);
  const char* argv[] = {"pkttyagent", "--process", pid.c_str(), "--notify-fd", notify.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, writeEnd, kNotifyFd);
  pid_t child = -1;
  if (::posix_spawnp(&child, "pkttyagent", &actions, nullptr, const_cast<char* const*>(argv), environ) == 0)
    pid_ = child;
  posix_spawn_file_actions_destroy(&actions);
  ::close(writeEnd);
  if (pid_ > 0) {
    // The pipe reads its end once the agent has closed its copy: registered, or gone.
    pollfd wait{fds[0], POLLIN, 0};
    int ready = 0;
    do ready = ::poll(&wait, 1, kRegisterTimeoutMs);
    while (ready < 0 && errno == EINTR);
    char byte;
    if (ready > 0) (void)!::read(fds[0], &byte, 1);
  }
  ::close(fds[0]);
}

TTextAgent::~TTextAgent() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {}
}

}  // namespace quillot::cli
