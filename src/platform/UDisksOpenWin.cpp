#include "platform/UDisksOpen.h"

namespace quillot {

// udisks2 is a Linux service; on Windows a volume the user may not open needs the program run with
// administrator rights, and nothing else is asked.

namespace {
thread_local int gAccessRequestDepth = 0;
}  // namespace

TAccessRequestScope::TAccessRequestScope() { ++gAccessRequestDepth; }
TAccessRequestScope::~TAccessRequestScope() { --gAccessRequestDepth; }
bool TAccessRequestScope::Active() { return gAccessRequestDepth > 0; }

int OpenThroughUDisks(const std::string&, std::string& error) {
  error = "Windows has no udisks2: run the program as administrator to read this volume";
  return -1;
}

bool UDisksFactsOf(const std::string&, TUDisksFacts&) { return false; }

}  // namespace quillot
