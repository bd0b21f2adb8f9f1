#include "help/HelpBook.h"

#include <chm_lib.h>

#include <algorithm>

#include "help/ChmEngine.h"
#include "util/Text.h"

namespace quillot {

namespace {

// The book's largest file: no help page or picture comes near it, and a damaged directory cannot
// make a read ask for gigabytes.
constexpr unsigned long long kMaxFileBytes = 64ull * 1024 * 1024;

bool EndsWithNoCase(const std::string& s, std::string_view suffix) {
  return s.size() >= suffix.size() && EqualsNoCase(std::string_view(s).substr(s.size() - suffix.size()), suffix);
}

int CollectFile(chmFile*, chmUnitInfo* ui, void* context) {
  const std::string path = ui->path;
  // Names starting with '#' or '$' are the engine's own tables; folders end in '/'.
  if (path.size() > 1 && path[0] == '/' && path[1] != '#' && path[1] != '$' && path.back() != '/') {
    static_cast<std::vector<std::string>*>(context)->push_back(path);
  }
  return CHM_ENUMERATOR_CONTINUE;
}

}  // namespace

std::string BookPath(const std::string& link, const std::string& fromPage) {
  std::string path = link.substr(0, link.find('#'));
  path = path.substr(0, path.find('?'));
  if (path.empty()) path = fromPage.substr(0, fromPage.find('#'));
  if (path.empty() || path[0] != '/') {
    const size_t slash = fromPage.rfind('/');
    path = (slash == std::string::npos ? std::string("/") : fromPage.substr(0, slash + 1)) + path;
  }
  // Fold "." and ".." so a link out of a sub-folder finds its file; ".." never climbs above the root.
  std::vector<std::string> parts;
  size_t start = 1;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

THelpBook::THelpBook(const TChmEngine& engine, chmFile* file, std::string path)
    : engine_(engine), file_(file), path_(std::move(path)) {}

THelpBook::~THelpBook() { engine_.Close(file_); }

std::shared_ptr<THelpBook> THelpBook::Open(const TChmEngine& engine, const std::string& path) {
  chmFile* file = engine.Open(path.c_str());
  if (file == nullptr) return nullptr;
  return std::shared_ptr<THelpBook>(new THelpBook(engine, file, path));
}

std::vector<std::string> THelpBook::Files() const {
  std::vector<std::string> files;
  engine_.Enumerate(file_, CHM_ENUMERATE_ALL, CollectFile, &files);
  return files;
}

std::optional<std::string> THelpBook::Read(const std::string& path) const {
  chmUnitInfo ui{};
  if (path.size() > CHM_MAX_PATHLEN) return std::nullopt;
  if (engine_.ResolveObject(file_, path.c_str(), &ui) != CHM_RESOLVE_SUCCESS) return std::nullopt;
  if (ui.length > kMaxFileBytes) return std::nullopt;
  std::string bytes(static_cast<size_t>(ui.length), '\0');
  if (ui.length == 0) return bytes;
  const long long got = engine_.RetrieveObject(file_, &ui, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                               static_cast<long long>(ui.length));
  if (got != static_cast<long long>(ui.length)) return std::nullopt;
  return bytes;
}

bool THelpBook::HasTopic(const std::string& topic) const {
  chmUnitInfo ui{};
  const std::string path = BookPath(topic);
  return path.size() <= CHM_MAX_PATHLEN && path != "/" &&
         engine_.ResolveObject(file_, path.c_str(), &ui) == CHM_RESOLVE_SUCCESS;
}

std::vector<THelpContentsItem> THelpBook::SiteMapEndingIn(std::string_view extension) const {
  const auto files = Files();
  const auto found =
      std::find_if(files.begin(), files.end(), [&](const std::string& f) { return EndsWithNoCase(f, extension); });
  if (found == files.end()) return {};
  const auto text = Read(*found);
  return text ? ParseSiteMap(*text) : std::vector<THelpContentsItem>{};
}

std::vector<THelpContentsItem> THelpBook::Contents() const { return SiteMapEndingIn(".hhc"); }

std::vector<THelpContentsItem> THelpBook::Index() const { return SiteMapEndingIn(".hhk"); }

std::string THelpBook::DefaultTopic() const {
  const auto contents = Contents();
  if (!contents.empty() && !contents.front().Local.empty()) return BookPath(contents.front().Local);
  for (const auto& f : Files()) {
    if (EndsWithNoCase(f, ".html") || EndsWithNoCase(f, ".htm")) return f;
  }
  return {};
}

}  // namespace quillot
