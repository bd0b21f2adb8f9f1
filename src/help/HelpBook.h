// One compiled help book (.chm), read through the help engine: its files, its contents and the bytes
// of any page, picture or style sheet in it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "help/ChmEngine.h"
#include "help/SiteMap.h"

struct chmFile;

namespace quillot {

class THelpBook {
 public:
  // The book at path, opened for reading; nullptr when it cannot be opened.
  static std::shared_ptr<THelpBook> Open(const TChmEngine& engine, const std::string& path);
  ~THelpBook();
  THelpBook(const THelpBook&) = delete;
  THelpBook& operator=(const THelpBook&) = delete;

  const std::string& Path() const { return path_; }
  // The book's own files ("/files/contents.html", ...), without the engine's internal ones.
  std::vector<std::string> Files() const;
  // Whether the book holds the page a topic path names; an "#anchor" is not part of the page.
  bool HasTopic(const std::string& topic) const;
  // The bytes of a file of the book, by its path; nullopt when the book has no such file.
  std::optional<std::string> Read(const std::string& path) const;
  // The entries of the book's contents file (.hhc) and of its index (.hhk), empty when it has none.
  std::vector<THelpContentsItem> Contents() const;
  std::vector<THelpContentsItem> Index() const;
  // The page to show when no topic is asked for: the first entry of the contents, else the first page.
  std::string DefaultTopic() const;

 private:
  THelpBook(const TChmEngine& engine, chmFile* file, std::string path);
  std::vector<THelpContentsItem> SiteMapEndingIn(std::string_view extension) const;
  // A copy: the book outlives any later change of the engine (the library itself stays loaded).
  const TChmEngine engine_;
  chmFile* file_;
  std::string path_;
};

// A topic or link as a path inside the book: "files/a.html" and "/files/a.html#x" both name
// "/files/a.html"; a relative link is taken from the folder of the page it is on.
std::string BookPath(const std::string& link, const std::string& fromPage = "/");

}  // namespace quillot
