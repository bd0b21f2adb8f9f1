// Nanoseconds per sector of the signature matcher, with 1, 30 and 100 searched formats, on random
// sectors (the common case: no match) and on sectors that match the last format tried; and the time
// to prepare a large catalogue for a pass, and to load a user's large catalogue.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <random>

#include "engine/FileDetection.h"

namespace quillot {
namespace {

constexpr size_t kSector = 512;
constexpr size_t kSectors = 4096;

// The shipped catalogue, cut or padded with made-up four-byte signatures to count formats.
void MakeCatalogue(TFormatsList& list, int count) {
  TDataStorage shipped;
  shipped.LoadFormats(std::string(QUILLOT_SOURCE_DIR) + "/data/Quillot.ini");
  shipped.Formats.SortByOrder();
  std::mt19937 rng(5);
  for (int i = 0; i < count; ++i) {
    auto f = std::make_unique<TFormat>();
    if (i < shipped.Formats.Count()) {
      *f = shipped.Formats.Items(i);
    } else {
      f->Title = "made-up " + std::to_string(i);
      f->Order = 2000 + i;
      int at = static_cast<int>(rng() % 3) * 4;
      for (int b = 0; b < 4; ++b)
        f->ScanBytes += (b ? "," : "") + std::to_string(at + b) + "=#" + std::to_string(rng() % 256);
    }
    f->Search = true;
    list.Add(std::move(f));
  }
}

void Run(benchmark::State& state, bool matching) {
  TFormatsList list;
  MakeCatalogue(list, static_cast<int>(state.range(0)));
  TFileDetection detection = PrepareCatalogue(list);
  std::vector<uint8_t> buffer(kSectors * kSector + 4096);
  std::mt19937 rng(9);
  for (auto& b : buffer) b = static_cast<uint8_t>(rng());
  if (matching) {
    // Every sector begins with the first alternative of the last format.
    const TFormat& last = list.Items(list.Count() - 1);
    for (size_t s = 0; s < kSectors; ++s)
      for (const std::string& entry : last.GetAlternativeRules(0)) {
        int32_t offset;
        uint8_t value;
        if (ParseRule(entry, offset, value) && offset >= 0 && offset < 4096) buffer[s * kSector + offset] = value;
      }
  }
  detection.SetBufferBounds(buffer.data(), buffer.size());
  size_t s = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(detection.Match(buffer.data() + s * kSector));
    s = (s + 1) % kSectors;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["key_offsets"] = static_cast<double>(detection.KeyOffsetCount());
  state.counters["unkeyed"] = static_cast<double>(detection.UnkeyedCount());
}

void RandomSectors(benchmark::State& state) { Run(state, false); }
void MatchingSectors(benchmark::State& state) { Run(state, true); }

BENCHMARK(RandomSectors)->Arg(1)->Arg(30)->Arg(100);
BENCHMARK(MatchingSectors)->Arg(1)->Arg(30)->Arg(100);

// PrepareCatalogue over range(0) searched formats of range(1) made-up alternatives each: most
// signatures at the start of the sector, some further in, as real catalogues have them.
void PrepareLargeCatalogue(benchmark::State& state) {
  TFormatsList list;
  std::mt19937 rng(3);
  for (int64_t i = 0; i < state.range(0); ++i) {
    auto f = std::make_unique<TFormat>();
    f->Title = "made-up " + std::to_string(i);
    f->Search = true;
    for (int64_t a = 0; a < state.range(1); ++a) {
      int at = rng() % 4 == 0 ? static_cast<int>(rng() % 4096) : 0;
      for (int b = 0; b < 4; ++b)
        f->ScanBytes += (b ? "," : "") + std::to_string(at + b) + "=#" + std::to_string(rng() % 256);
      f->ScanBytes += "\r\n";
    }
    list.Add(std::move(f));
  }
  for (auto _ : state) benchmark::DoNotOptimize(PrepareCatalogue(list));
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

BENCHMARK(PrepareLargeCatalogue)->Args({1, 100000})->Args({1000, 100})->Unit(benchmark::kMillisecond);

// Loading a user's catalogue of range(0) formats beside the shipped one, as the program starts with it: each
// format's keys are looked up by section, so the time should grow with the formats, not their square.
void LoadUserCatalogue(benchmark::State& state) {
  const std::string path = "/tmp/quillot-bench-catalogue-" + std::to_string(getpid()) + ".ini";
  std::string text = "[options]\nformats_list=";
  for (int64_t i = 0; i < state.range(0); ++i) text += (i ? "," : "") + std::string("Made") + std::to_string(i);
  text += "\n";
  for (int64_t i = 0; i < state.range(0); ++i)
    text += "\n[Made" + std::to_string(i) + "]\nCategory=Made up\nOrder=" + std::to_string(2000 + i) +
            "\nFileExtension=bin\nTypeDescription=made up\nFilePrefix=m\nSearch=1\nScanBytes=0=#" +
            std::to_string(i % 256) + ",1=#" + std::to_string(i / 256 % 256) + "\n";
  if (FILE* f = std::fopen(path.c_str(), "w")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  for (auto _ : state) {
    TDataStorage storage;
    storage.LoadUserFormats(path, std::string(QUILLOT_SOURCE_DIR) + "/data/Quillot.ini");
    benchmark::DoNotOptimize(storage.Formats.Count());
  }
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(LoadUserCatalogue)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillot

BENCHMARK_MAIN();
