#include "cli/Commands.h"

#include <cstdio>

namespace quillot::cli {

namespace {
std::vector<TCommand>& Registry() {
  static std::vector<TCommand> commands;
  return commands;
}
}  // namespace

TCommandRegistration::TCommandRegistration(const TCommand& command) { Registry().push_back(command); }

const std::vector<TCommand>& AllCommands() { return Registry(); }

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "quillot-cli: %s\n", message.c_str());
  std::fprintf(stderr, "Try 'quillot-cli %s--help' for more information.\n",
               command.empty() ? "" : (command + " ").c_str());
  return kExitUsage;
}

}  // namespace quillot::cli
