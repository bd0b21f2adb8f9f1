// Opening a file to decode it, the one way the decoder child and the review window both take: a report
// read back may name any path (a device, a pipe, a link to a secret), so only a regular file is opened for
// reading, never through a link at its last component, and, where a folder is given, only one that lies
// inside it once every link on the way is resolved.
#pragma once

#include <string>

namespace quillot::decode {

enum class TFileRefusal {
  None,        // opened
  Missing,     // no such file (or a folder on its way is missing)
  Link,        // its last component is a symbolic link
  NotRegular,  // a device, a pipe, a socket or a folder
  Outside,     // it lies outside the folder given, links resolved
  Unreadable,  // the system refused it (permissions and the like): error says why
};

// Opens path read-only and answers its descriptor, or -1 with the refusal and, in error, its words.
// Nothing that is not a regular file, or that lies outside the folder, is opened at all where lstat and
// the folders' real paths tell so first; what is opened is checked again through its descriptor (fstat;
// with a folder, where the descriptor really points), so a file swapped meanwhile is refused too: a pipe
// never blocks the open (O_NONBLOCK), and nothing is read before the checks. folder "" allows any
// folder. The descriptor is blocking again when answered.
int OpenToDecode(const std::string& path, const std::string& folder, TFileRefusal& refusal, std::string& error);

// The English words of a refusal for the decoder's answer: "a symbolic link", "not a regular file: a pipe".
std::string RefusalText(TFileRefusal refusal, const std::string& error);

}  // namespace quillot::decode
