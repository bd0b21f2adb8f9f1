// Makes every file write beyond a size fail (EFBIG), as a full disk would, also for root; undone on exit.
// Windows has no such limit: there the tests that need one are left out (tests/windows/excluded-tests.txt).
#pragma once

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <cstdint>

namespace quillot::test {

#ifndef _WIN32
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit small = old_;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int);
};
#else
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(uint64_t) {}
};
#endif

}  // namespace quillot::test
