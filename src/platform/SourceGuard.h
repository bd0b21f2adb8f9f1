// Sources are only ever read. Every source opened for reading is remembered here, and every writer of
// the program asks before it creates, empties or replaces a file, so that no path, link or mount leads
// a write onto a source.
#pragma once

#include <sys/stat.h>

#include <string>

namespace quillot {

#ifdef _WIN32
// Windows knows a file by its volume serial and file index, read from an open handle (a HANDLE).
void GuardSourceHandle(void* handle);
// True when the open handle's file is a source being read.
bool IsGuardedHandle(void* handle);
#else
// Remembers an open source by its identity: the file (device and inode), and for a device node the
// block device it stands for.
void GuardSource(const struct stat& source);

// True when st is a source being read: the same file, or a node of the same block device.
bool IsGuardedSource(const struct stat& st);
#endif

// True when path names a source being read, as itself or through a symbolic link.
bool IsGuardedPath(const std::string& path);

// Forgets every source; for tests that stand for separate runs of the program.
void ForgetGuardedSourcesForTesting();

}  // namespace quillot
