// quillot-cli recover: one recovery pass from the command line.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <unistd.h>

#include "app/Settings.h"
#include "cli/Commands.h"
#include "cli/MapSvg.h"
#include "cli/Report.h"
#include "cli/StopSignals.h"
#include "cli/TerminalView.h"
#include "cli/TextAgent.h"
#include "cli/Verify.h"
#include "decode/DecodeCheck.h"
#include "drive/DriveTable.h"
#include "drive/IORoutines.h"
#include "drive/SameDevice.h"
#include "engine/FileClaim.h"
#include "engine/MediumMap.h"
#include "engine/RecoveryPass.h"
#include "formats/FileTypes.h"
#include "i18n/Messages.h"
#include "platform/AtomicFile.h"
#include "platform/UDisksOpen.h"
#include "platform/Utf8Path.h"
#include "platform/WriteAccess.h"
#include "util/Text.h"
#include "wizard/PassOptions.h"

namespace quillot::cli {

namespace {
const char* const kUsage =
    "(--drive LETTER | --image FILE) --dest DIR [--types TITLE,... | --all] [--start-sector N] [--retries N] "
    "[--sectors-per-read N] [--overwrite ask|yes|no] [--report FILE] [--dry-run] [--trim [--reassemble]] [--verify] "
    "[--map FILE.svg]";

struct TOptions {
  std::optional<std::string> drive, image, dest, types, report, map;
  bool all = false, dryRun = false, trim = false, reassemble = false, verify = false;
  std::optional<uint64_t> startSector;
  std::optional<int32_t> retries, sectorsPerRead;
  TOverwritePolicy overwrite = TOverwritePolicy::Ask;
};

// Reads "--name VALUE" or "--name=VALUE"; answers an error text or nothing. Every option of recover
// is given once; a value that starts with "--" is the next option, so it goes as "--name=VALUE".
std::optional<std::string> Parse(const TArgs& args, TOptions& o) {
  std::set<std::string> seen;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i], value;
    bool inlineValue = false;
    if (size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      inlineValue = true;
    }
    if (arg.rfind("--", 0) == 0 && !seen.insert(arg).second) return arg + " given twice";
    auto take = [&]() -> std::optional<std::string> {
      if (inlineValue) return value;
      if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) return std::nullopt;
      return args[++i];
    };
    auto number = [&](int64_t lo, int64_t hi) -> std::optional<int64_t> {
      auto v = take();
      // Up to 18 digits always fit, and no count or sector of a real disk needs more.
      if (!v || v->empty() || v->find_first_not_of("0123456789") != std::string::npos || v->size() > 18)
        return std::nullopt;
      int64_t n = std::stoll(*v);
      if (n < lo || n > hi) return std::nullopt;
      return n;
    };
    if (arg == "--all" || arg == "--dry-run" || arg == "--trim" || arg == "--reassemble" || arg == "--verify") {
      if (inlineValue) return arg + " takes no value";
      std::map<std::string, bool*> flags{{"--all", &o.all},
                                         {"--dry-run", &o.dryRun},
                                         {"--trim", &o.trim},
                                         {"--reassemble", &o.reassemble},
                                         {"--verify", &o.verify}};
      *flags[arg] = true;
    } else if (arg == "--drive" || arg == "--image" || arg == "--dest" || arg == "--types" || arg == "--report" ||
               arg == "--map") {
      auto v = take();
      if (!v || v->empty()) return arg + " needs a value";
      std::map<std::string, std::optional<std::string>*> slots{{"--drive", &o.drive},   {"--image", &o.image},
                                                               {"--dest", &o.dest},     {"--types", &o.types},
                                                               {"--report", &o.report}, {"--map", &o.map}};
      *slots[arg] = *v;
    } else if (arg == "--start-sector") {
      auto n = number(0, 999999999999999999ll);
      if (!n) return "--start-sector needs a sector number (0 up to the drive's sector count)";
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
  if (o.reassemble && !o.trim) return "--reassemble needs --trim: pieces are found where a recording's stream breaks";
  if (o.verify && decode::DecoderProgram().empty())
    return "--verify needs the decoder program quillot-decode beside quillot-cli; this build has none (built "
           "without FFmpeg)";
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
    if (!p.has_parent_path() || p.parent_path() == p) return "no existing folder above " + Utf8OfPath(dest);
    p = p.parent_path();
  }
  if (!std::filesystem::is_directory(p, ec)) return Utf8OfPath(p) + " is not a folder";
  if (!dryRun && !MayWriteInto(Utf8OfPath(p))) return "cannot write into " + Utf8OfPath(p);
  return std::nullopt;
}

// Why the catalogue holds no formats: the file is missing, unreadable or lists none.
std::string CatalogueProblem() {
  const std::string path = DataStorage->SourcePath;
  std::error_code ec;
  if (!std::filesystem::exists(PathOfUtf8(path), ec)) return "the format catalogue " + path + " is missing";
  std::string text;
  if (!ReadWholeFile(path, text)) return "cannot read the format catalogue " + path + ": " + std::strerror(errno);
  return "the format catalogue " + path + " lists no formats";
}

// The formats to search, as a copy: a choice made here is for this run only.
std::optional<std::string> ChooseFormats(const TOptions& o, const TFormatsList& stored, TFormatsList& chosen) {
  if (stored.Count() == 0) return CatalogueProblem();
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

uint8_t DriveNumberOf(char letter) { return static_cast<uint8_t>(letter - 'A' + 1); }

// The drive letter of --image or --drive, readable; 0 with error set otherwise.
char ChooseSource(const TOptions& o, std::string& error) {
  char letter = 0;
  if (o.image) {
    auto attached = AttachImage(*o.image, error);
    if (!attached) return 0;
    letter = *attached;
  } else {
    letter = DriveLetterArg(*o.drive);
    if (!letter) return error = "--drive needs a drive letter from A to Z", 0;
    if (!DriveTable().Source(letter))
      return error = std::string("there is no drive ") + letter + ": (see 'quillot-cli drives')", 0;
  }
  // Say why a source cannot be read, rather than only that it has no sectors. Opening it also puts it
  // under the guard that keeps every writer of the program off it.
  auto source = DriveTable().Source(letter);
  std::string why;
  if (!source) return error = std::string("cannot read drive ") + letter + ": " + why, 0;
  auto device = source->Open(why);
  if (!device && source->LastOpenFailure() == TOpenFailure::NoAccess && !source->IsImage()) {
    // A person at a terminal may give a password for it: udisks2 asks through polkit's text agent. The
    // descriptor it gives serves the pass too, so the question comes once.
    if (isatty(STDIN_FILENO)) {
      TTextAgent agent;
      TAccessRequestScope mayAsk;
      device = source->Open(why);
    }
    if (!device)
      return error = std::string("cannot read drive ") + letter + ": No access (" + why +
                     "). Run quillot-cli on a terminal to be asked for a password, run it as root, or add your "
                     "user to the group that may read " +
                     source->Path() + " and log in again",
             0;
  }
  if (!device) return error = std::string("cannot read drive ") + letter + ": " + why, 0;
  device.reset();
  TDriveParams params;
  if (o.startSector && GetDriveParams(DriveNumberOf(letter), params) && *o.startSector > params.TotalPhysSec)
    return error = "--start-sector " + std::to_string(*o.startSector) + " lies past the end of drive " + letter +
                   ": (" + std::to_string(params.TotalPhysSec) + " sectors)",
           0;
  return letter;
}

TRecoveryOptions PassOptions(const TOptions& o, char letter, const std::string& folder) {
  // The settings, as the wizard's Start takes them; the command line's options win.
  TRecoveryOptions options = PassOptionsFromSettings(letter, folder, o.startSector.value_or(0));
  // The stored count is kept as stored; a run uses at most 100 retries, so a dying source ends.
  options.RetryCount = std::clamp<int32_t>(o.retries.value_or(options.RetryCount), 0, 100);
  options.SectorsToRead = o.sectorsPerRead.value_or(options.SectorsToRead);
  options.StopEndsRetries = true;
  // Trimming is asked for on the command line alone.
  options.Trim = o.trim;
  options.Reassemble = o.reassemble;
  return options;
}

void PrintSummary(const TTerminalView& view, const TRecoveryPass& pass, bool dryRun, char letter,
                  const std::string& folder) {
  uint64_t bytes = 0;
  for (const auto& f : view.files) bytes += f.Bytes;
  double seconds = view.Seconds();
  double mbps = seconds > 0 ? static_cast<double>(view.BytesScanned()) / seconds / 1e6 : 0;
  std::printf("%s %zu files (%llu bytes) from %c: into %s; %d read errors; scanned %llu bytes in %.2f s (%.1f MB/s).\n",
              dryRun ? "Dry run: would recover" : "Recovered", view.files.size(),
              static_cast<unsigned long long>(bytes), letter, folder.c_str(), pass.ReadErrors,
              static_cast<unsigned long long>(view.BytesScanned()), seconds, mbps);
  // What the files' streams prove: "8 files: 2 whole, 0 cut short, 0 damaged, 6 unknown.", in the chosen
  // language, as the wizard's Finish page says it.
  std::printf("%s\n", ClaimSummary(CountClaims(view.files)).c_str());
  // With --reassemble: "Put back together from pieces: 3 (1 unverified)."
  if (const auto pieces = PiecesSummary(view.files)) std::printf("%s\n", pieces->c_str());
  // Without --trim: the files that run on past their recording, and how to end them there.
  if (const auto after = BytesAfterEndSummary(view.files, "--trim")) std::printf("%s\n", after->c_str());
  // A stopped pass: where to go on so that the file it cut comes back whole.
  if (const auto resume = pass.ResumeSector())
    std::printf("Stopped before the end: to go on, run again with --start-sector %llu.\n",
                static_cast<unsigned long long>(*resume));
  std::fflush(stdout);
}

// Writes the report or map over its name, or says why it could not (a full destination: the earlier one
// is left whole, an empty one this run made is removed). An earlier one with other names (hard links)
// is replaced under this name only, and the run says so: the other names keep the earlier file.
bool WriteOutput(const TReportFile& file, const char* what, const std::string& contents) {
  std::string error;
  if (!WriteOutputFile(file, what, contents, error)) {
    std::fprintf(stderr, "quillot-cli: %s\n", TerminalText(error).c_str());
    return false;
  }
  if (!file.Created && file.Links > 1)
    std::fprintf(stderr,
                 "quillot-cli: note: the earlier %s %s had %llu names (hard links); this name now holds the new "
                 "%s, the other names keep the earlier one\n",
                 what, TerminalText(file.Path).c_str(), static_cast<unsigned long long>(file.Links), what);
  return true;
}

int RunRecover(const TArgs& args) {
  TOptions o;
  if (auto error = Parse(args, o)) return UsageError("recover", *error);
  std::string error;
  const char letter = ChooseSource(o, error);
  if (!letter) return UsageError("recover", error);

  const std::filesystem::path dest = std::filesystem::absolute(PathOfUtf8(*o.dest)).lexically_normal();
  if (auto problem = CheckDestination(dest, o.dryRun)) return UsageError("recover", *problem);
  TTerminalView view(o.overwrite, isatty(STDERR_FILENO) != 0);
  // Refused before anything is created, so the source's device is never written.
  if (DestinationOnDrive(letter, Utf8OfPath(dest))) {
    view.ShowMessage(Tr(strSameDiskError), true);
    return kExitUsage;
  }
  TFormatsList chosen;
  if (auto problem = ChooseFormats(o, DataStorage->Formats, chosen)) return UsageError("recover", *problem);
  // The destination first, so a report may lie in it; a refused report leaves nothing behind.
  const std::filesystem::path existed = PathOfUtf8(NearestExistingFolder(Utf8OfPath(dest)));
  std::error_code ec;
  if (!o.dryRun && !std::filesystem::create_directories(dest, ec) && ec)
    return UsageError("recover", "cannot create " + Utf8OfPath(dest) + ": " + ec.message());
  // A refused report or map leaves nothing behind: the file made for the other goes, and the folders
  // made for the destination.
  TReportFile report, map;
  const auto refuse = [&](const std::string& problem) {
    RemoveCreatedFile(report);
    RemoveCreatedFile(map);
    for (auto p = dest; p != existed && p.has_parent_path() && std::filesystem::remove(p, ec);) p = p.parent_path();
    return UsageError("recover", problem);
  };
  if (o.report)
    if (auto problem = PrepareReport(*o.report, letter, report)) return refuse(*problem);
  if (o.map)
    if (auto problem = PrepareMap(*o.map, letter, map, o.report ? &report : nullptr)) return refuse(*problem);

  TDiskDestination disk;
  if (o.report) disk.Protect(report.Device, report.Inode);
  if (o.map) disk.Protect(map.Device, map.Inode);
  TDryRunDestination dry;
  TRecoveryPass pass(view, o.dryRun ? static_cast<TDestination&>(dry) : disk);
  const TRecoveryOptions options = PassOptions(o, letter, Utf8OfPath(dest));
  {
    TStopSignals signals(pass.StopRequested);
    pass.StartRecovery(options, chosen);
  }
  if (!pass.PassDone) {  // the drive has no sectors: the message said so, and nothing is written
    RemoveCreatedFile(report);
    RemoveCreatedFile(map);
    return kExitUsage;
  }
  PrintSummary(view, pass, o.dryRun, letter, options.TargetFolder);

  int status = kExitOk;
  if (pass.FatalError)
    status = kExitFatal;
  else if (StopWasAsked())
    status = kExitCancelled;
  else if (pass.StopRequested)
    status = kExitUsage;  // the destination is on the source drive
  // Decoding comes after the pass, never during it, and only of files that were written.
  std::vector<decode::TDecodeReport> decoded;
  if (o.verify && o.dryRun)
    std::printf("--verify: a dry run writes no files, so none were decoded.\n");
  else if (o.verify && status == kExitCancelled)
    std::printf("--verify: the pass was stopped, so no file was decoded.\n");
  else if (o.verify) {
    TStopSignals signals(pass.StopRequested);
    decoded = VerifyFiles(view.files);
    if (StopWasAsked() && status == kExitOk) status = kExitCancelled;
    // A checksum of the whole content the decoder checked settles what the files are: said again if it changed.
    bool changed = false;
    for (size_t i = 0; i < decoded.size() && i < view.files.size(); ++i)
      changed = ApplyContentSum(view.files[i], decoded[i].ContentSum) || changed;
    if (changed) {
      std::printf("%s\n", ClaimSummary(CountClaims(view.files)).c_str());
      if (const auto pieces = PiecesSummary(view.files)) std::printf("%s\n", pieces->c_str());
    }
  }
  // Written for a cancelled pass too: the files it lists are whole and closed.
  if (o.map) {
    const TMediumMap layout = LayOutMedium(view.PassFirstSector(), view.PassEndSector(), view.files);
    if (!WriteOutput(map, "map", MapSvgText(layout, view.files)) && status == kExitOk) status = kExitFatal;
  }
  if (o.report && !WriteOutput(report, "report", ReportText(view.files, report.Json, decoded)) && status == kExitOk)
    status = kExitFatal;
  ForgetStopAsked();
  return status;
}

const TCommandRegistration registration({"recover", kUsage, "recover files from a drive or disk image into a folder",
                                         RunRecover});
}  // namespace

}  // namespace quillot::cli
