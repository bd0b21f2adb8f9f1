// Whether a folder may take the recovered files of a drive, asked when Start is pressed, before anything
// is read: the command line refuses the same folders before its pass.
#pragma once

#include <optional>
#include <string>

namespace quillot {

class TFormatsList;

// Why folder cannot take the files recovered from drive letter, in the user's language with the system's
// reason; none when it can. Creates the folder with its parents (as the pass would) unless it lies on the
// source's device.
std::optional<std::string> DestinationProblem(char letter, const std::string& folder);

// The files in folder named as a pass names the files of one of formats: prefix, a number of at least five
// digits, ".", extension.
int CountRecoveredFiles(const std::string& folder, const TFormatsList& formats);

}  // namespace quillot
