#include "help/HelpBook.h"

namespace quillot {

// Without a help engine in the Windows build no book is ever opened, so no book exists to ask.
std::shared_ptr<THelpBook> THelpBook::Open(const TChmEngine&, const std::string&) { return nullptr; }
THelpBook::~THelpBook() = default;
bool THelpBook::HasTopic(const std::string&) const { return false; }
std::string THelpBook::DefaultTopic() const { return {}; }

}  // namespace quillot
