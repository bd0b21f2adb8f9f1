// The formats file: load it, save the catalogue over it, load again. Nothing the first load read may be
// lost or changed by the save.
#include <cstdint>
#include <fstream>
#include <string>

#include "FuzzCheck.h"
#include "FuzzTempDir.h"
#include "formats/FileTypes.h"

using namespace quillot;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzz::ScratchFolder() + "/Quillot.ini";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  TDataStorage first;
  first.LoadFormats(path);
  first.Modified = true;
  FUZZ_CHECK(first.SaveFormats(path), "the save succeeds");

  TDataStorage second;
  second.LoadFormats(path);
  FUZZ_CHECK(second.Formats.Count() == first.Formats.Count(), "as many formats after the save");
  for (int32_t i = 0; i < first.Formats.Count(); ++i) {
    const TFormat& a = first.Formats.Items(i);
    const TFormat& b = second.Formats.Items(i);
    FUZZ_CHECK(a.Title == b.Title, "Title kept");
    FUZZ_CHECK(a.Category == b.Category, "Category kept");
    FUZZ_CHECK(a.Order == b.Order, "Order kept");
    FUZZ_CHECK(a.FileExtension == b.FileExtension, "FileExtension kept");
    FUZZ_CHECK(a.TypeDescription == b.TypeDescription, "TypeDescription kept");
    FUZZ_CHECK(a.FilePrefix == b.FilePrefix, "FilePrefix kept");
    FUZZ_CHECK(a.Search == b.Search, "Search kept");
    FUZZ_CHECK(a.ScanBytes == b.ScanBytes, "ScanBytes kept");
    FUZZ_CHECK(a.Stream == b.Stream, "Stream kept");
  }
  return 0;
}
