#include "cli/Verify.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "cli/Report.h"
#include "cli/StopSignals.h"
#include "decode/DecodeCheck.h"

namespace quillot::cli {

std::vector<decode::TDecodeReport> VerifyFiles(const std::vector<TRecoveredFile>& files) {
  std::vector<decode::TDecodeReport> decoded(files.size());
  std::vector<bool> answered(files.size(), false);
  std::mutex mutex;
  std::condition_variable changed;
  std::atomic<size_t> next{0};
  size_t workersLeft = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
  workersLeft = std::min(workersLeft, std::max<size_t>(files.size(), 1));

  // A stop sent to this program alone (not its process group) ends the running children at once too.
  decode::TDecodeLimits limits;
  limits.Stop = [] { return StopWasAsked(); };
  const auto work = [&] {
    for (size_t i; !StopWasAsked() && (i = next++) < files.size();) {
      const TRecoveredFile& f = files[i];
      decode::TDecodeReport r = decode::CheckRecoveredFile(f.Path, f.StreamEnd, limits);
      // Ctrl-C reaches the children too: one that died of it says nothing of its file.
      if (StopWasAsked()) r = {};
      if (f.Verdict == TVerdict::CutShort) decode::JudgeCutShort(r, f.Bytes);
      std::lock_guard lock(mutex);
      decoded[i] = std::move(r);
      answered[i] = true;
      changed.notify_all();
    }
    std::lock_guard lock(mutex);
    --workersLeft;
    changed.notify_all();
  };
  std::vector<std::thread> workers;
  for (size_t w = workersLeft; w > 0; --w) workers.emplace_back(work);

  // Printed in the files' order as the answers come.
  size_t plays = 0, unchecked = 0;
  {
    std::unique_lock lock(mutex);
    for (size_t i = 0; i < files.size(); ++i) {
      changed.wait(lock, [&] { return answered[i] || workersLeft == 0; });
      const decode::TDecodeReport& d = decoded[i];
      if (d.Outcome == decode::TDecodeOutcome::NotChecked) {
        ++unchecked;
        continue;
      }
      const std::string duration = DurationText(d);
      std::printf("%s: %s%s\n", TerminalText(files[i].Name).c_str(),
                  duration.empty() ? "" : (duration + " s, ").c_str(), decode::OutcomeText(d).c_str());
      std::fflush(stdout);
      if (d.Outcome == decode::TDecodeOutcome::PlaysToEnd) ++plays;
    }
  }
  for (auto& w : workers) w.join();
  std::printf("%zu of %zu files play to the end.\n", plays, files.size());
  if (unchecked > 0) std::printf("--verify was stopped: %zu files were not decoded.\n", unchecked);
  std::fflush(stdout);
  return decoded;
}

}  // namespace quillot::cli
