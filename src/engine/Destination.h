// The destination: the file-system calls that put recovered files into their folder, on disk or, on a
// dry run, nowhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace quillot {

// New: only a name no file has; another pass into the same folder may take a name between the
// search and the creation, so the creation itself is exclusive. Replace: the user agreed to overwrite.
enum class TCreateMode { New, Replace };
enum class TCreateResult { Created, Taken, Failed };

class TDestination {
 public:
  virtual ~TDestination() = default;
  virtual bool Exists(const std::string& path) = 0;
  // Creates the file (New), or empties the regular file there (Replace); sets handle when Created.
  // Taken: New found a file of that name. Failed: anything else, a source being read among it.
  virtual TCreateResult Create(const std::string& path, TCreateMode mode, int& handle) = 0;
  // Appends; answers the bytes written, or -1.
  virtual ssize_t Write(int handle, const void* data, size_t size) = 0;
  // Appends size zero bytes as a hole where the file system allows; they read back as zeros.
  virtual bool AppendZeros(int handle, size_t size) = 0;
  // Shortens the file to length bytes; the next append goes after them.
  virtual bool CutBack(int handle, uint64_t length) = 0;
  // Closes the file; a hole at its end still counts to its length. False when that length could not
  // be set (the zeros at its end are missing).
  virtual bool Close(int handle) = 0;
  // Creates the folder with its missing parents; failure shows later as a failed creation.
  virtual void CreateFolder(const std::string& path) = 0;
};

class TDiskDestination : public TDestination {
 public:
  // A file of the run's own (its report) that no recovered file may replace, known by its device and
  // inode (on Windows its volume serial and file index).
  void Protect(uint64_t device, uint64_t inode) { protected_.emplace_back(device, inode); }
  bool Exists(const std::string& path) override;
  TCreateResult Create(const std::string& path, TCreateMode mode, int& handle) override;
  ssize_t Write(int handle, const void* data, size_t size) override;
  bool AppendZeros(int handle, size_t size) override;
  bool CutBack(int handle, uint64_t length) override;
  bool Close(int handle) override;
  void CreateFolder(const std::string& path) override;

 private:
  std::vector<std::pair<uint64_t, uint64_t>> protected_;
};

// A dry run: the names are searched on disk as usual, but nothing is created or written.
class TDryRunDestination : public TDestination {
 public:
  bool Exists(const std::string& path) override { return disk_.Exists(path); }
  TCreateResult Create(const std::string&, TCreateMode, int& handle) override {
    handle = 0;
    return TCreateResult::Created;
  }
  ssize_t Write(int, const void*, size_t size) override { return static_cast<ssize_t>(size); }
  bool AppendZeros(int, size_t) override { return true; }
  bool CutBack(int, uint64_t) override { return true; }
  bool Close(int) override { return true; }
  void CreateFolder(const std::string&) override {}

 private:
  TDiskDestination disk_;
};

}  // namespace quillot
