// An in-memory destination: files are strings; chosen names refuse creation, others are taken by
// another pass between the search and the creation, and the space can run out. Paths are kept with
// forward slashes, whichever the system's separator, so tests name files the same on every system.
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/Destination.h"

namespace quillot::test {

class TFakeDestination : public TDestination {
 public:
  bool Exists(const std::string& path) override { return contents.count(Key(path)) > 0; }
  TCreateResult Create(const std::string& systemPath, TCreateMode mode, int& handle) override {
    const std::string path = Key(systemPath);
    created.push_back(path);
    if (refuse.count(path)) return TCreateResult::Failed;
    if (mode == TCreateMode::New && takenMeanwhile.erase(path)) contents[path] = "another pass's";
    if (mode == TCreateMode::New && contents.count(path)) return TCreateResult::Taken;
    contents[path].clear();
    handles.push_back(path);
    handle = static_cast<int>(handles.size() - 1);
    return TCreateResult::Created;
  }
  ssize_t Write(int handle, const void* data, size_t size) override {
    ++writes;
    size_t room = spaceLeft < size ? spaceLeft : size;
    if (room == 0 && size > 0) return -1;
    contents[handles[static_cast<size_t>(handle)]].append(static_cast<const char*>(data), room);
    spaceLeft -= room;
    return static_cast<ssize_t>(room);
  }
  bool AppendZeros(int handle, size_t size) override {
    ++holes;
    contents[handles[static_cast<size_t>(handle)]].append(size, '\0');
    return true;
  }
  bool CutBack(int handle, uint64_t length) override {
    std::string& file = contents[handles[static_cast<size_t>(handle)]];
    if (length < file.size()) file.resize(length);
    return true;
  }
  bool Close(int) override {
    ++closes;
    return true;
  }
  void CreateFolder(const std::string& path) override { folders.push_back(Key(path)); }
  static std::string Key(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
  }

  std::map<std::string, std::string> contents;
  std::set<std::string> refuse, takenMeanwhile;
  std::vector<std::string> handles, created, folders;
  size_t spaceLeft = SIZE_MAX;
  int writes = 0, closes = 0, holes = 0;
};

}  // namespace quillot::test
