#include "decode/DecodeCheck.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/ProgramPath.h"

extern char** environ;

namespace quillot::decode {

namespace {
// What the child prints is a few kilobytes; more is not an answer.
constexpr size_t kMostAnswer = 1 << 20;

TDecodeReport Failed(TDecodeOutcome outcome, std::string error) {
  TDecodeReport r;
  r.Outcome = outcome;
  r.Error = std::move(error);
  return r;
}
}  // namespace

std::string DecoderProgram() {
  // Built only with FFmpeg; a build without it has no such file beside its programs.
  const std::filesystem::path self = RunningProgramPath();
  if (self.empty()) return "";
  const std::filesystem::path decoder = self.parent_path() / "quillot-decode";
  return access(decoder.c_str(), X_OK) == 0 ? decoder.string() : "";
}

TDecodeReport CheckRecoveredFile(const std::string& path, uint64_t streamEnd, const TDecodeLimits& limits) {
  if (DecoderProgram().empty()) return {};
  const TDecodeLimits figured = LimitsForFile(path, streamEnd, limits);
  return RunDecoder(CheckArguments(path, streamEnd, figured), figured);
}

TDecodeReport RunDecoder(const std::vector<std::string>& args, const TDecodeLimits& limits) {
  if (args.empty()) return Failed(TDecodeOutcome::Crashed, "no decoder program");
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return Failed(TDecodeOutcome::Crashed, std::strerror(errno));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  // The decoder's words go into its answer; anything else it prints is not for the terminal.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  // The child starts with the default signal handling, whatever the program set for itself.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return Failed(TDecodeOutcome::Crashed, std::string("cannot start the decoder: ") + std::strerror(spawned));
  }

  std::string answer;
  bool timedOut = false, stopped = false;
  const auto time = limits.Time.count() > 0 ? limits.Time : kMostDecodeTime;
  const auto deadline = std::chrono::steady_clock::now() + time;
  // A stop is looked for this often; without one to look for, the clock alone is watched.
  const int64_t tick = limits.Stop ? 50 : 1000;
  const auto stopAsked = [&] { return limits.Stop && limits.Stop(); };
  for (;;) {
    if (stopAsked()) {
      stopped = true;
      break;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    pollfd p{out[0], POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(std::min<int64_t>(left.count(), tick)));
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) continue;
    char buf[4096];
    const ssize_t n = read(out[0], buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;  // the child closed its end: it is done
    if (answer.size() < kMostAnswer) answer.append(buf, static_cast<size_t>(n));
  }
  close(out[0]);
  if (timedOut || stopped) kill(pid, SIGKILL);
  int status = 0;
  // Its output closed, the child is ending; one that closed it early and lingers is ended at the deadline,
  // or at a stop.
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return Failed(TDecodeOutcome::Crashed, "lost the decoder process");
    if (done == 0 && !timedOut && !stopped) {
      if (stopAsked()) {
        kill(pid, SIGKILL);
        stopped = true;
      } else if (std::chrono::steady_clock::now() >= deadline) {
        kill(pid, SIGKILL);
        timedOut = true;
      }
    }
    if (done == 0) usleep(5000);
  }
  // A stopped child says nothing of its file, whatever it managed to print.
  if (stopped) return {};
  if (timedOut) return Failed(TDecodeOutcome::TimedOut, TimedOutText(limits));
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)
    return Failed(TDecodeOutcome::TimedOut, TimedOutText(limits, true));
  if (WIFSIGNALED(status))
    return Failed(TDecodeOutcome::Crashed, std::string("killed by signal ") + std::to_string(WTERMSIG(status)) + " (" +
                                               strsignal(WTERMSIG(status)) + ")");
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return Failed(TDecodeOutcome::Crashed, "out of memory");
  TDecodeReport report;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !ParseDecodeReport(answer, report))
    return Failed(TDecodeOutcome::Crashed, "the decoder gave no answer (exit status " +
                                               std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")");
  return report;
}

}  // namespace quillot::decode
