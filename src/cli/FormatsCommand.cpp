// quillot-cli formats: the catalogue as a table.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "formats/FileTypes.h"

namespace quillot::cli {

namespace {
std::string Clip(const std::string& s, size_t width) { return s.size() <= width ? s : s.substr(0, width - 3) + "..."; }

int RunFormats(const TArgs& args) {
  if (!args.empty()) return UsageError("formats", "unexpected argument '" + args[0] + "'");
  // The catalogue the program loaded at start-up.
  const auto& list = DataStorage->Formats;
  std::printf("Catalogue: %s (%d formats)\n\n", DataStorage->SourcePath.c_str(), list.Count());
  std::printf("%-22s %-24s %-70s %-5s %-6s %6s %-8s %-10s %-10s %s\n", "Category", "Title", "Description", "Ext",
              "Prefix", "Order", "Searched", "Stream", "Check", "Alternatives");
  // Stream and Check as the catalogue names them, unclipped: a name no unit has is shown whole, as start-up
  // named it.
  for (const auto& f : list) {
    std::printf("%-22s %-24s %-70s %-5s %-6s %6d %-8s %-10s %-10s %d\n", Clip(f->Category, 22).c_str(),
                Clip(f->Title, 24).c_str(), Clip(f->TypeDescription, 70).c_str(), f->FileExtension.c_str(),
                f->FilePrefix.c_str(), f->Order, f->Search ? "yes" : "no", f->Stream.c_str(), f->Check.c_str(),
                f->CountAlternatives());
  }
  return kExitOk;
}

const TCommandRegistration registration({"formats", "", "list the format catalogue", RunFormats});
}  // namespace

}  // namespace quillot::cli
