// The repeatable "--image FILE" option of the commands that read drives.
#pragma once

#include <string>
#include <vector>

#include "cli/Commands.h"

namespace quillot::cli {

// Takes every "--image FILE" and "--image=FILE" out of args, in order, and leaves the other arguments
// in rest. False, with a message in error, when "--image" has no file after it.
inline bool ParseImageOptions(const TArgs& args, std::vector<std::string>& images, TArgs& rest, std::string& error) {
  images.clear();
  rest.clear();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--image") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = "--image needs a file";
        return false;
      }
      images.push_back(args[++i]);
    } else if (a.rfind("--image=", 0) == 0) {
      if (a.size() == 8) {
        error = "--image needs a file";
        return false;
      }
      images.push_back(a.substr(8));
    } else {
      rest.push_back(a);
    }
  }
  return true;
}

// Attaches the images to the drive table in order and prints "X: path" for each when verbose.
// False, with the message in error, at the first image that cannot be attached.
bool AttachImages(const std::vector<std::string>& images, bool verbose, std::string& error);

}  // namespace quillot::cli
