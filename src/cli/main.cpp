// quillot-cli: the headless face of Quillot.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "Version.h"
#include "cli/Commands.h"
#include "startup/Lifecycle.h"

using namespace quillot::cli;

namespace {
void PrintHelp() {
  std::printf("Usage: quillot-cli COMMAND [OPTIONS]\n\n");
  std::printf("Recovers lost audio files from drives and disk images by their byte signatures.\n\n");
  std::printf("Commands:\n");
  auto commands = AllCommands();
  std::sort(commands.begin(), commands.end(),
            [](const TCommand& a, const TCommand& b) { return std::strcmp(a.name, b.name) < 0; });
  for (const auto& c : commands) std::printf("  %-10s %s\n", c.name, c.summary);
  std::printf("\nOptions:\n  -h, --help     show this help, or a command's help after its name\n");
  std::printf("  -V, --version  show the program's version\n");
  std::printf("\nExit status:\n");
  std::printf("  %-4d the command finished (read errors do not change it)\n", kExitOk);
  std::printf("  %-4d fatal: a recovered file or the report could not be written\n", kExitFatal);
  std::printf(
      "  %-4d bad usage, an unusable source, destination, report, map or catalogue, or --verify without a "
      "decoder\n",
      kExitUsage);
  std::printf("  %-4d stopped by Ctrl-C, SIGTERM or SIGHUP\n", kExitCancelled);
}

void PrintCommandHelp(const TCommand& c) {
  std::printf("Usage: quillot-cli %s %s\n\n%s\n", c.name, c.usage, c.summary);
}
}  // namespace

int main(int argc, char** argv) {
  TArgs args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintHelp();
    return kExitUsage;
  }
  const std::string& first = args[0];
  if (first == "--help" || first == "-h" || first == "help") {
    PrintHelp();
    return kExitOk;
  }
  if (first == "--version" || first == "-V") {
    std::printf("%s %s (build %s)\n", quillot::build::ProductName, quillot::build::ProductVersion,
                quillot::build::FileVersion);
    return kExitOk;
  }
  for (const auto& c : AllCommands()) {
    if (first != c.name) continue;
    TArgs rest(args.begin() + 1, args.end());
    if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
      PrintCommandHelp(c);
      return kExitOk;
    }
    // Commands run inside the program's start-up and shutdown, as the wizard does.
    quillot::TLifecycle lifecycle;
    lifecycle.Start();
    int status = c.run(rest);
    lifecycle.Stop();
    return status;
  }
  return UsageError("", "unknown command '" + first + "'");
}
