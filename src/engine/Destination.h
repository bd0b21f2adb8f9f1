// The destination: the file-system calls that put recovered files into their folder, on disk or, on a
// dry run, nowhere.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace quillot {

class TDestination {
 public:
  virtual ~TDestination() = default;
  virtual bool Exists(const std::string& path) = 0;
  // Creates the file anew (an old one is emptied); answers a handle, or -1.
  virtual int Create(const std::string& path) = 0;
  // Appends; answers the bytes written, or -1.
  virtual ssize_t Write(int handle, const void* data, size_t size) = 0;
  // Appends size zero bytes as a hole where the file system allows; they read back as zeros.
  virtual bool AppendZeros(int handle, size_t size) = 0;
  // Closes the file; a hole at its end still counts to its length. False when that length could not
  // be set (the zeros at its end are missing).
  virtual bool Close(int handle) = 0;
  // Creates the folder with its missing parents; failure shows later as a failed creation.
  virtual void CreateFolder(const std::string& path) = 0;
};

class TDiskDestination : public TDestination {
 public:
  bool Exists(const std::string& path) override;
  int Create(const std::string& path) override;
  ssize_t Write(int handle, const void* data, size_t size) override;
  bool AppendZeros(int handle, size_t size) override;
  bool Close(int handle) override;
  void CreateFolder(const std::string& path) override;
};

// A dry run: the names are searched on disk as usual, but nothing is created or written.
class TDryRunDestination : public TDestination {
 public:
  bool Exists(const std::string& path) override { return disk_.Exists(path); }
  int Create(const std::string&) override { return 0; }
  ssize_t Write(int, const void*, size_t size) override { return static_cast<ssize_t>(size); }
  bool AppendZeros(int, size_t) override { return true; }
  bool Close(int) override { return true; }
  void CreateFolder(const std::string&) override {}

 private:
  TDiskDestination disk_;
};

}  // namespace quillot
