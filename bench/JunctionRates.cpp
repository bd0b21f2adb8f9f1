// How often the junction judge is right, on recordings cut at the 4 KiB clusters of a file's layout
// (bench/make-junction-corpus.sh makes them): at every cluster boundary inside a recording's data, the true
// junction (the bytes after it are the recording's own continuation), and two false ones with the same bytes
// before: the bytes after from another recording of the same layout, and from another cluster of the same
// recording at least a second away. Each recording is also laid as if its header were longer, so that its
// clusters start at other places of the data. Prints the rates per kind and layout (with the count where under
// 1000), and the time a judgement.
//   usage: junction-rates CORPUS [--layouts N] [--dump FILE.csv]   (--dump writes what the judge measured)
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "signal/Junction.h"
#include "signal/JunctionMeasures.h"
#include "signal/JunctionSamples.h"

using namespace quillot;
namespace fs = std::filesystem;

namespace {

constexpr size_t kCluster = 4096;

struct TRecording {
  std::string Name;
  TPcmFormat Format;
  std::vector<uint8_t> Data;  // the data chunk's bytes
  size_t DataOffset = 0;      // where they start in the file
};

uint32_t Le(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}
uint32_t Be(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// A WAV's fmt and data chunks, or an AU's header; false for anything else.
bool ReadRecording(const fs::path& path, TRecording& r) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  r.Name = path.filename().string();
  TPcmFormat& f = r.Format;
  if (b.size() > 24 && std::memcmp(b.data(), ".snd", 4) == 0) {
    const uint32_t offset = Be(&b[4]), encoding = Be(&b[12]);
    f.Encoding = encoding == 6 ? TPcmFormat::TEncoding::Float : TPcmFormat::TEncoding::Signed;
    f.BitsPerSample = encoding == 6 ? 32 : uint16_t(8 * (encoding - 1));
    f.SampleRate = Be(&b[16]);
    f.Channels = uint16_t(Be(&b[20]));
    f.BlockAlign = f.Channels * f.BitsPerSample / 8;
    f.BigEndian = true;
    r.DataOffset = offset;
    r.Data.assign(b.begin() + offset, b.end());
    return encoding >= 2 && encoding <= 6;
  }
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(&b[8], "WAVE", 4)) return false;
  bool fmt = false;
  for (size_t at = 12; at + 8 <= b.size();) {
    const uint32_t size = Le(&b[at + 4], 4);
    const uint8_t* body = &b[at + 8];
    if (!std::memcmp(&b[at], "fmt ", 4) && size >= 16) {
      uint32_t tag = Le(body, 2);
      if (tag == 0xFFFE && size >= 26) tag = Le(body + 24, 2);
      f.Encoding = tag == 3                ? TPcmFormat::TEncoding::Float
                   : tag == 0x11           ? TPcmFormat::TEncoding::ImaAdpcm
                   : Le(body + 14, 2) == 8 ? TPcmFormat::TEncoding::Unsigned
                                           : TPcmFormat::TEncoding::Signed;
      f.Channels = uint16_t(Le(body + 2, 2));
      f.SampleRate = Le(body + 4, 4);
      f.BlockAlign = Le(body + 12, 2);
      f.BitsPerSample = uint16_t(Le(body + 14, 2));
      f.FramesPerBlock = tag == 0x11 && size >= 20 ? Le(body + 18, 2) : 1;
      fmt = true;
    } else if (!std::memcmp(&b[at], "data", 4) && fmt) {
      r.DataOffset = at + 8;
      r.Data.assign(body, body + std::min<size_t>(size, b.size() - at - 8));
      return true;
    }
    at += 8 + size + (size & 1);
  }
  return false;
}

struct TCounts {
  uint64_t Of[5][3] = {};  // [true, another recording, same recording elsewhere, random bytes, a fill][verdict]
  double Seconds = 0;      // spent judging them

  void Add(const TCounts& other) {
    for (int t = 0; t < 5; ++t)
      for (int v = 0; v < 3; ++v) Of[t][v] += other.Of[t][v];
    Seconds += other.Seconds;
  }
};

const char* const kTruth[5] = {"true", "other", "same", "bytes", "fill"};

struct TJudge {
  std::FILE* Dump = nullptr;
  double Seconds = 0;
  uint64_t Judged = 0;

  void operator()(TCounts& row, const std::string& category, int truth, const TRecording& r, size_t junction,
                  const TRecording& a, size_t afterAt) {
    const TPcmFormat& f = r.Format;
    const size_t want = JunctionBytesBefore(f), align = f.BlockAlign;
    const size_t start = junction > want ? (junction - want + align - 1) / align * align : 0;
    const size_t afterSize = std::min(JunctionBytesAfter(f), a.Data.size() - afterAt);
    const auto t0 = std::chrono::steady_clock::now();
    const TJunction verdict =
        JudgeJunction(f, r.Data.data() + start, junction - start, a.Data.data() + afterAt, afterSize);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    Seconds += seconds;
    row.Seconds += seconds;
    ++Judged;
    ++row.Of[truth][int(verdict)];
    if (Dump) Write(category, truth, verdict, r, start, junction, a, afterAt, afterSize);
  }

  void Write(const std::string& category, int truth, TJunction verdict, const TRecording& r, size_t start,
             size_t junction, const TRecording& a, size_t afterAt, size_t afterSize) {
    static TJunctionSamples samples;
    TJunctionMeasures m;
    DecodeJunctionSamples(r.Format, r.Data.data() + start, junction - start, a.Data.data() + afterAt, afterSize,
                          samples);
    MeasureJunction(samples, r.Format.BitsPerSample, m);
    std::fprintf(Dump, "%s,%s,%s,%zu,%d", category.c_str(), kTruth[truth], r.Name.c_str(), junction, int(verdict));
    for (int c = 0; c < 2; ++c) {
      const TChannelMeasures& ch = m.Channel[std::min<int>(c, m.Channels - 1)];
      std::fprintf(Dump, ",%d,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g,%g", int(ch.Measured), ch.Level[0],
                   ch.Level[1], ch.Dc[0], ch.Dc[1], ch.Residual[0], ch.Residual[1], ch.Floor, ch.JumpForward,
                   ch.JumpBackward, ch.JumpFirst, ch.CrossForward, ch.CrossBackward, ch.Clipped, ch.First[0],
                   ch.First[1], ch.BackFirst, ch.Spike, ch.Capacity);
    }
    std::fputc('\n', Dump);
  }
};

// A rate, with its count where that is small enough to matter.
void PrintRow(const std::string& name, const TCounts& c) {
  std::printf("| %s |", name.c_str());
  uint64_t judged = 0;
  for (int t = 0; t < 5; ++t) {
    const uint64_t n = c.Of[t][0] + c.Of[t][1] + c.Of[t][2];
    judged += n;
    std::printf(" %" PRIu64 " |", n);
    for (int v = 0; v < 3; ++v) {
      const double rate = n ? 100.0 * double(c.Of[t][v]) / double(n) : 0.0;
      if (c.Of[t][v] && c.Of[t][v] < 1000)
        std::printf(" %.3g %% (%" PRIu64 ") |", rate, c.Of[t][v]);
      else
        std::printf(" %.3g %% |", rate);
    }
  }
  std::printf(" %.1f |\n", judged ? 1e6 * c.Seconds / double(judged) : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: junction-rates CORPUS [--layouts N] [--dump FILE.csv]\n");
    return 2;
  }
  size_t layouts = 4;
  TJudge judge;
  for (int i = 2; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--layouts")) layouts = std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--dump")) judge.Dump = std::fopen(argv[i + 1], "w");
  }
  // corpus/<kind>/<layout>/<recording>
  std::map<std::string, std::vector<TRecording>> categories;
  for (const auto& kind : fs::directory_iterator(argv[1]))
    for (const auto& layout : fs::directory_iterator(kind.path())) {
      auto& list = categories[kind.path().filename().string() + "/" + layout.path().filename().string()];
      std::vector<fs::path> files;
      for (const auto& file : fs::directory_iterator(layout.path())) files.push_back(file.path());
      std::sort(files.begin(), files.end());
      for (const auto& file : files) {
        TRecording r;
        if (ReadRecording(file, r) && r.Data.size() > 2 * kCluster) list.push_back(std::move(r));
      }
    }
  std::map<std::string, TCounts> rows, byKind, byLayout;
  TCounts all;
  for (const auto& [category, list] : categories) {
    if (list.size() < 2) continue;
    std::mt19937_64 random(std::hash<std::string>{}(category));
    TCounts& row = rows[category];
    // What another file's bytes or a card's fill put after the junction: random bytes stand for compressed ones.
    TRecording noise = list[0], fill = list[0];
    noise.Data.resize(64 * 1024);
    for (auto& b : noise.Data) b = uint8_t(random());
    for (size_t i = 0; i < list.size(); ++i) {
      const TRecording& r = list[i];
      const size_t second = size_t(r.Format.SampleRate) * r.Format.BlockAlign / r.Format.FramesPerBlock;
      for (size_t l = 0; l < layouts; ++l) {
        const size_t offset = (r.DataOffset + l * kCluster / layouts) % kCluster / 2 * 2;
        for (size_t j = kCluster - offset; j + kCluster <= r.Data.size(); j += kCluster) {
          judge(row, category, 0, r, j, r, j);
          // Another recording of the layout, at one of its cluster boundaries in a layout of its own.
          size_t other = random() % (list.size() - 1);
          other += other >= i;
          const TRecording& o = list[other];
          const size_t otherOffset = (o.DataOffset + random() % layouts * kCluster / layouts) % kCluster / 2 * 2;
          const size_t clusters = (o.Data.size() - (kCluster - otherOffset)) / kCluster;
          if (clusters > 0) {
            const size_t at = kCluster - otherOffset + random() % clusters * kCluster;
            judge(row, category, 1, r, j, o, at);
          }
          // The same recording, a second or more away on either side.
          const size_t away = (second + kCluster - 1) / kCluster * kCluster;
          std::vector<size_t> places;
          for (size_t at = j % kCluster; at + kCluster <= r.Data.size(); at += kCluster)
            if (at + away <= j || at >= j + away) places.push_back(at);
          if (!places.empty()) judge(row, category, 2, r, j, r, places[random() % places.size()]);
          judge(row, category, 3, r, j, noise, random() % 8192 * 4);
          fill.Data.assign(kCluster, j / kCluster % 2 ? 0xFF : 0x00);
          judge(row, category, 4, r, j, fill, 0);
        }
      }
    }
    const std::string kind = category.substr(0, category.find('/')), layout = category.substr(kind.size() + 1);
    for (TCounts* sum : {&byKind[kind], &byLayout[layout], &all}) sum->Add(row);
  }
  std::printf(
      "| kind / layout | true | Continues | DoesNotContinue | CannotTell | another recording | Continues | "
      "DoesNotContinue | "
      "CannotTell | same recording, >= 1 s away | Continues | DoesNotContinue | CannotTell | random bytes | "
      "Continues | DoesNotContinue | CannotTell | fill (0x00, 0xFF) | Continues | DoesNotContinue | CannotTell | "
      "us a judgement |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
  for (const auto& [name, c] : rows) PrintRow(name, c);
  for (const auto& [name, c] : byKind) PrintRow("**" + name + "**", c);
  for (const auto& [name, c] : byLayout) PrintRow("**" + name + "**", c);
  PrintRow("**all**", all);
  std::printf("\n%" PRIu64 " judgements, %.2f us each\n", judge.Judged, 1e6 * judge.Seconds / double(judge.Judged));
  if (judge.Dump) std::fclose(judge.Dump);
  return 0;
}
