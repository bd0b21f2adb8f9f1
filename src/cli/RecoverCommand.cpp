// quillot-cli recover: one recovery pass from the command line.
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <unistd.h>

#include "app/Settings.h"
#include "cli/Commands.h"
#include "cli/Report.h"
#include "cli/TerminalView.h"
#include "drive/DriveTable.h"
#include "engine/RecoveryPass.h"
#include "formats/FileTypes.h"
#include "util/Text.h"

namespace quillot::cli {

namespace {
const char* const kUsage =
    "(--drive LETTER | --image FILE) --dest DIR [--types TITLE,... | --all] [--start-sector N] [--retries N] "
    "[--sectors-per-read N] [--overwrite ask|yes|no] [--report FILE] [--dry-run]";

std::atomic<bool>* gStop = nullptr;
std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) {
  gInterrupted = true;
  if (gStop) *gStop = true;
}

struct TOptions {
  std::optional<std::string> drive, image, dest, types, report;
  bool all = false, dryRun = false;
  std::optional<uint64_t> startSector;
  std::optional<int32_t> retries, sectorsPerRead;
  TOverwritePolicy overwrite = TOverwritePolicy::Ask;
};

// Reads "--name VALUE" or "--name=VALUE"; answers an error text or nothing.
std::optional<std::string> Parse(const TArgs& args, TOptions& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i], value;
    bool inlineValue = false;
    if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      inlineValue = true;
    }
    auto take = [&]() -> std::optional<std::string> {
      if (inlineValue) return value;
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    auto number = [&](int64_t lo, int64_t hi) -> std::optional<int64_t> {
      auto v = take();
      if (!v || v->empty() || v->find_first_not_of("0123456789") != std::string::npos || v->size() > 10)
        return std::nullopt;
      int64_t n = std::stoll(*v);
      if (n < lo || n > hi) return std::nullopt;
      return n;
    };
    if (arg == "--all" || arg == "--dry-run") {
      if (inlineValue) return arg + " takes no value";
      (arg == "--all" ? o.all : o.dryRun) = true;
    } else if (arg == "--drive" || arg == "--image" || arg == "--dest" || arg == "--types" || arg == "--report") {
      auto v = take();
      if (!v || v->empty()) return arg + " needs a value";
      std::map<std::string, std::optional<std::string>*> slots{{"--drive", &o.drive},
                                                               {"--image", &o.image},
                                                               {"--dest", &o.dest},
                                                               {"--types", &o.types},
                                                               {"--report", &o.report}};
      if (slots[arg]->has_value()) return arg + " given twice";
      *slots[arg] = *v;
    } else if (arg == "--start-sector") {
      auto n = number(0, 9999999999ll);
      if (!n) return "--start-sector needs a sector number from 0 to 9999999999";
      o.startSector = static_cast<uint64_t>(*n);
    } else if (arg == "--retries") {
      auto n = number(0, 100);
      if (!n) return "--retries needs a number from 0 to 100";
      o.retries = static_cast<int32_t>(*n);
    } else if (arg == "--sectors-per-read") {
      auto n = number(1, 10000);
      if (!n) return "--sectors-per-read needs a number from 1 to 10000";
      o.sectorsPerRead = static_cast<int32_t>(*n);
    } else if (arg == "--overwrite") {
      auto v = take();
      if (v == "ask")
        o.overwrite = TOverwritePolicy::Ask;
      else if (v == "yes")
        o.overwrite = TOverwritePolicy::Yes;
      else if (v == "no")
        o.overwrite = TOverwritePolicy::No;
      else
        return "--overwrite takes ask, yes or no";
    } else {
      return "unknown option '" + args[i] + "'";
    }
  }
  if (o.drive.has_value() == o.image.has_value()) return "give exactly one of --drive LETTER and --image FILE";
  if (!o.dest) return "--dest DIR is required";
  if (o.all && o.types) return "give --types or --all, not both";
  return std::nullopt;
}

// The letter of --drive ("E", "e" or "E:"), or 0.
char DriveLetterArg(const std::string& s) {
  std::string t = UpperCase(s);
  if (t.size() == 2 && t[1] == ':') t.pop_back();
  return t.size() == 1 && t[0] >= 'A' && t[0] <= 'Z' ? t[0] : 0;
}

// The destination must be a folder, or a path whose nearest existing folder we may write into.
std::optional<std::string> CheckDestination(const std::filesystem::path& dest, bool dryRun) {
  std::error_code ec;
  std::filesystem::path p = dest;
  while (!std::filesystem::exists(p, ec)) {
    if (!p.has_parent_path() || p.parent_path() == p) return "no existing folder above " + dest.string();
    p = p.parent_path();
  }
  if (!std::filesystem::is_directory(p, ec))
    return p == dest ? dest.string() + " is not a folder" : p.string() + " is not a folder";
  if (!dryRun && access(p.c_str(), W_OK | X_OK) != 0) return "cannot write into " + p.string();
  return std::nullopt;
}

// The formats to search, as a copy: a choice made here is for this run only.
std::optional<std::string> ChooseFormats(const TOptions& o, const TFormatsList& stored, TFormatsList& chosen) {
  std::vector<std::string> wanted;
  const std::string list = o.types ? ReplaceAll(*o.types, ",", "\n") : std::string();
  for (auto t : SplitLines(list)) wanted.emplace_back(Trim(t));
  std::vector<bool> used(wanted.size(), false);
  for (const auto& f : stored) {
    auto copy = std::make_unique<TFormat>(*f);
    if (o.all) copy->Search = true;
    if (o.types) {
      copy->Search = false;
      for (size_t i = 0; i < wanted.size(); ++i)
        if (EqualsNoCase(wanted[i], f->Title)) copy->Search = used[i] = true;
    }
    chosen.Add(std::move(copy));
  }
  for (size_t i = 0; i < wanted.size(); ++i)
    if (!used[i] && !wanted[i].empty()) return "no format titled '" + wanted[i] + "' (see 'quillot-cli formats')";
  for (const auto& f : chosen)
    if (f->Search) return std::nullopt;
  return "no file types to search for: use --types or --all";
}

int RunRecover(const TArgs& args) {
  TOptions o;
  if (auto error = Parse(args, o)) return UsageError("recover", *error);

  char letter = 0;
  if (o.image) {
    std::string error;
    auto attached = AttachImage(*o.image, error);
    if (!attached) return UsageError("recover", error);
    letter = *attached;
  } else {
    letter = DriveLetterArg(*o.drive);
    if (!letter) return UsageError("recover", "--drive needs a drive letter from A to Z");
    if (!DriveTable().Source(letter))
      return UsageError("recover", std::string("there is no drive ") + letter + ": (see 'quillot-cli drives')");
  }

  // Say why a source cannot be read, rather than only that it has no sectors.
  {
    std::string error;
    auto source = DriveTable().Source(letter);
    if (!source || !source->Open(error))
      return UsageError("recover", std::string("cannot read drive ") + letter + ": " + error);
  }

  std::filesystem::path dest = std::filesystem::absolute(*o.dest).lexically_normal();
  if (auto error = CheckDestination(dest, o.dryRun)) return UsageError("recover", *error);

  TFormatsList chosen;
  if (auto error = ChooseFormats(o, DataStorage->Formats, chosen)) return UsageError("recover", *error);

  TTerminalView view(o.overwrite, isatty(STDERR_FILENO) != 0);
  TDiskDestination disk;
  TDryRunDestination dry;
  TRecoveryPass pass(view, o.dryRun ? static_cast<TDestination&>(dry) : disk);

  TRecoveryOptions options;
  options.DriveLetter = letter;
  options.DriveNumber = static_cast<uint8_t>(letter - 'A' + 1);
  options.TargetFolder = dest.string();
  options.RetryCount = o.retries.value_or(RecoveryRetryCount);
  options.SectorsToRead = o.sectorsPerRead.value_or(RecoverySectorsToRead);
  options.StartSector = o.startSector.value_or(0);

  // Ctrl-C asks the pass to stop at the next chunk; the open file is closed properly.
  gStop = &pass.StopRequested;
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  struct sigaction oldInt {};
  struct sigaction oldTerm {};
  sigaction(SIGINT, &sa, &oldInt);
  sigaction(SIGTERM, &sa, &oldTerm);
  pass.StartRecovery(options, chosen);
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
  gStop = nullptr;

  if (!pass.PassDone) return kExitUsage;  // the drive has no sectors: the message said so

  uint64_t bytes = 0;
  for (const auto& f : view.files) bytes += f.Bytes;
  double seconds = view.Seconds();
  double mbps = seconds > 0 ? static_cast<double>(view.BytesScanned()) / seconds / 1e6 : 0;
  std::printf("%s %zu files (%llu bytes) from %c: into %s; %d read errors; scanned %llu bytes in %.2f s (%.1f MB/s).\n",
              o.dryRun ? "Dry run: would recover" : "Recovered", view.files.size(),
              static_cast<unsigned long long>(bytes), letter, options.TargetFolder.c_str(), pass.ReadErrors,
              static_cast<unsigned long long>(view.BytesScanned()), seconds, mbps);

  int status = kExitOk;
  if (pass.FatalError)
    status = kExitFatal;
  else if (gInterrupted)
    status = kExitCancelled;
  else if (pass.StopRequested)
    status = kExitUsage;  // the destination is on the source drive

  if (o.report) {
    std::string error;
    if (!WriteReport(*o.report, view.files, error)) {
      std::fprintf(stderr, "quillot-cli: cannot write the report %s: %s\n", o.report->c_str(), error.c_str());
      if (status == kExitOk) status = kExitFatal;
    }
  }
  gInterrupted = false;
  return status;
}

const TCommandRegistration registration({"recover", kUsage, "recover files from a drive or disk image into a folder",
                                         RunRecover});
}  // namespace

}  // namespace quillot::cli
