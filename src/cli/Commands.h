// The subcommands of quillot-cli. Each command file registers itself, so adding one touches nothing else.
#pragma once

#include <string>
#include <vector>

namespace quillot::cli {

using TArgs = std::vector<std::string>;
using TCommandFn = int (*)(const TArgs& args);

struct TCommand {
  const char* name;
  const char* usage;    // the arguments, after the command name
  const char* summary;  // one line
  TCommandFn run;
};

// Registers a command at program start (use one static TCommandRegistration per command file).
struct TCommandRegistration {
  explicit TCommandRegistration(const TCommand& command);
};

const std::vector<TCommand>& AllCommands();

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFatal = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCancelled = 130;

// Prints "quillot-cli: <message>" and the usage hint for command; answers kExitUsage.
int UsageError(const std::string& command, const std::string& message);

}  // namespace quillot::cli
