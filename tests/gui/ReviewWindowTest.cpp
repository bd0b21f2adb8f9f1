// The review window over a real pass of the sample card, over reports read back, and over decoders that
// crash, hang or talk nonsense.
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>

#include "decode/DecodeCheck.h"
#include "drive/IORoutines.h"
#include "gui/DecodeQueue.h"
#include "gui/MediumMapWidget.h"
#include "gui/ReviewPlayer.h"
#include "gui/ReviewReport.h"
#include "gui/ReviewWindow.h"
#include "gui/WaveformDelegate.h"
#include "support/Files.h"
#include "support/GuiFixture.h"

namespace quillot::testing {

namespace fs = std::filesystem;
using gui::TReviewFile;
using gui::TReviewModel;

namespace {
// A mono 16-bit WAV of seconds at 8000 Hz: a 440 Hz tone at amplitude, or silence at 0.
void WriteWav(const fs::path& path, double seconds, double amplitude) {
  const uint32_t rate = 8000, samples = static_cast<uint32_t>(seconds * rate), data = samples * 2;
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + data);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(rate);
  u32(rate * 2);
  u16(2);
  u16(16);
  out.write("data", 4);
  u32(data);
  for (uint32_t i = 0; i < samples; ++i)
    u16(static_cast<uint16_t>(static_cast<int16_t>(amplitude * 32767 * std::sin(2 * M_PI * 440 * i / rate))));
}

// A decoder stand-in: a shell script answering as body says.
QString FakeDecoder(const fs::path& dir, const std::string& name, const std::string& body) {
  const fs::path path = dir / name;
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  chmod(path.c_str(), 0755);
  return QString::fromStdString(path.string());
}

TReviewFile Row(const std::string& name, const fs::path& dir, uint64_t first, TVerdict verdict = TVerdict::Unknown) {
  TReviewFile row;
  row.File.Name = name;
  row.File.Path = (dir / name).string();
  row.File.Format = "WAV";
  row.File.FirstSector = first;
  row.File.Sectors = 10;
  row.File.Verdict = verdict;
  return row;
}

// The envelope column of row painted into an image; answers the rows of pixels holding any ink.
std::set<int> InkedRows(gui::TReviewWindow& window, int row) {
  QImage image(200, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  gui::TWaveformDelegate::PaintEnvelope(
      painter, image.rect(),
      window.Model().index(row, TReviewModel::kWaveform).data(TReviewModel::kEnvelopeRole).toList());
  painter.end();
  std::set<int> rows;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != QColor(Qt::white).rgb()) rows.insert(y);
  return rows;
}
}  // namespace

class ReviewWindowTest : public TGuiTest {
 protected:
  void SetUp() override { DriveAccessInit(); }
  void TearDown() override { DriveAccessDone(); }
  const QString noDecoder_;
};

// The sample card recovered through the wizard, reviewed from the Finish page: one row per file written,
// sortable by every column, the map's spans where the card holds the clips, a span's click selecting its
// row; the same rows again from quillot-cli's JSON report of the same card.
TEST_F(ReviewWindowTest, TheSampleCardsFilesAreListedSortedAndMapped) {
  const std::string card = SampleCard();
  if (card.empty()) GTEST_FAIL() << "xz is needed (xz-utils)";
  chmod(card.c_str(), 0444);
  LoadShippedCatalogue();
  gui::TMainForm form(Attach(card, 0));
  form.show();
  const fs::path dest = env.Home() / "Recovered";
  form.ButtonNextClick();
  form.ButtonNextClick();
  form.DestinationFolderEdit->setText(QString::fromStdString(dest.string()));
  form.ButtonNextClick();
  form.SetRefreshInterval(1000);
  form.ProgressButtonStart->click();
  form.ButtonNextClick();
  ASSERT_TRUE(form.FinishButtonReview->isEnabled());
  form.FinishButtonReview->click();
  gui::TReviewWindow* window = form.ReviewWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());

  // Every file written is a row, with what is on disk.
  const std::vector<TRecoveredFile>& files = form.PassFiles();
  ASSERT_EQ(window->Model().rowCount(), static_cast<int>(files.size()));
  ASSERT_GE(files.size(), 8u);
  for (int r = 0; r < window->Model().rowCount(); ++r) {
    const TRecoveredFile& f = window->Model().File(r).File;
    EXPECT_EQ(fs::file_size(f.Path), f.Bytes) << f.Name;
    EXPECT_EQ(window->Model().index(r, TReviewModel::kName).data().toString().toStdString(), f.Name);
    EXPECT_EQ(window->Model().index(r, TReviewModel::kFirstSector).data().toString(), QString::number(f.FirstSector));
  }

  // Each column sorts both ways by what it holds.
  auto* proxy = qobject_cast<QSortFilterProxyModel*>(window->ReviewTable->model());
  for (int column = 0; column < TReviewModel::kColumns; ++column)
    for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
      window->ReviewTable->horizontalHeader()->setSortIndicator(column, order);
      for (int r = 1; r < proxy->rowCount(); ++r) {
        const QVariant a = proxy->index(r - 1, column).data(TReviewModel::kSortRole);
        const QVariant b = proxy->index(r, column).data(TReviewModel::kSortRole);
        const bool ordered = order == Qt::AscendingOrder ? QVariant::compare(a, b) <= 0 : QVariant::compare(a, b) >= 0;
        EXPECT_TRUE(ordered) << "column " << column << " row " << r;
      }
    }

  // Each clip's span starts where the card holds the clip's first sector.
  const std::string image = test::ReadText(card);
  gui::TMediumMapWidget* map = window->ReviewMap;
  // At the window's width the card's clips share a few pixels; wide enough, each has its own.
  map->setFixedWidth(16384);
  const QRect bar = map->rect().adjusted(1, 4, -2, -5);
  int found = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(QUILLOT_SOURCE_DIR) / "samples" / "audio")) {
    const std::string head = test::ReadText(entry.path().string()).substr(0, 512);
    uint64_t sector = 0;
    while (sector * 512 < image.size() && image.compare(sector * 512, head.size(), head) != 0) ++sector;
    ASSERT_LT(sector * 512, image.size()) << entry.path();
    int row = -1;
    for (int r = 0; r < window->Model().rowCount(); ++r)
      if (window->Model().File(r).File.FirstSector == sector) row = r;
    ASSERT_GE(row, 0) << entry.path() << " at sector " << sector;
    ++found;
    const std::vector<QRect> spans = map->SpansOf(row);
    ASSERT_EQ(spans.size(), 1u);
    const int x = bar.left() + static_cast<int>(double(sector) * bar.width() / 81920.0);
    EXPECT_NEAR(spans[0].left(), x, 1) << entry.path();
    EXPECT_EQ(map->FileAt(spans[0].center()), row);
    EXPECT_TRUE(map->HintAt(spans[0].center()).startsWith(QString::fromStdString(files[size_t(row)].Name + ":")));
    // A click on the span selects the file's row, and Show in Folder opens its folder.
    QTest::mouseClick(map, Qt::LeftButton, {}, spans[0].center());
    EXPECT_EQ(window->SelectedFile(), row);
    EXPECT_EQ(window->ReviewTable->currentIndex().siblingAtColumn(TReviewModel::kName).data().toString().toStdString(),
              files[size_t(row)].Name);
  }
  EXPECT_EQ(found, 8);
  Launches.clear();
  window->ReviewButtonShowFolder->click();
  ASSERT_EQ(Launches.size(), 1u);
  EXPECT_EQ(Launches[0].Arguments, QStringList{QString::fromStdString(dest.string() + "/")});

  // quillot-cli's report of the same card, read back, gives the same rows in the same order.
  const fs::path report = env.Home() / "r.json";
  const std::string cli = std::string(QUILLOT_BINARY_DIR) + "/quillot-cli recover --image '" + card + "' --dest '" +
                          (env.Home() / "cli").string() + "' --report '" + report.string() + "' > /dev/null";
  ASSERT_EQ(std::system(cli.c_str()), 0) << cli;
  gui::TReviewReport read;
  QString error;
  ASSERT_TRUE(gui::LoadReviewReport(QString::fromStdString(report.string()), read, error)) << error.toStdString();
  gui::TReviewWindow again(std::move(read.Files), read.FirstSector, read.EndSector, nullptr, &noDecoder_);
  window->ReviewTable->sortByColumn(TReviewModel::kFirstSector, Qt::AscendingOrder);
  const QList<QStringList> wizardRows = window->ShownRows(), reportRows = again.ShownRows();
  ASSERT_EQ(reportRows.size(), wizardRows.size());
  for (qsizetype r = 0; r < wizardRows.size(); ++r)
    for (int c : {TReviewModel::kName, TReviewModel::kFormat, TReviewModel::kVerdict, TReviewModel::kSize,
                  TReviewModel::kFirstSector})
      EXPECT_EQ(reportRows[r][c], wizardRows[r][c]) << "row " << r << " column " << c;
  // The report's span: its first file's start to its last file's end.
  EXPECT_EQ(read.FirstSector, files.front().FirstSector);
  window->close();
}

namespace {
// A report of one row: a row the CLI could write, with fields replaced (a value "" drops the field) and
// more put after it.
std::string OneRow(const std::map<std::string, std::string>& replace = {}, const std::string& more = "") {
  std::map<std::string, std::string> fields = {
      {"name", R"("a.wav")"},
      {"format", R"("WAV")"},
      {"first_sector", "100"},
      {"sectors", "8"},
      {"bytes", "4096"},
      {"unreadable_sectors", R"("101-102")"},
      {"short", "false"},
      {"verdict", R"("whole")"},
      {"evidence", R"("structure")"},
      {"unwritten_sectors", R"("")"},
      {"pieces", R"("")"},
      {"duration", "1.5"},
      {"decode", R"("plays to the end")"},
      {"bytes_after_end", "0"},
  };
  for (const auto& [key, value] : replace) fields[key] = value;
  std::string row;
  for (const auto& [key, value] : fields)
    if (!value.empty()) row += (row.empty() ? "" : ", ") + ("\"" + key + "\": " + value);
  return "[{" + row + "}" + more + "]";
}

std::string Repeated(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}
}  // namespace

// Reports that cannot be reviewed say why, naming the field and the row that break a bound; a row whose
// file is gone says so.
TEST_F(ReviewWindowTest, ReportsThatCannotBeReviewedSayWhy) {
  const fs::path dir = env.Home();
  std::ofstream(dir / "empty.json") << "";
  std::ofstream(dir / "object.json") << R"({"name": "a"})";
  std::ofstream(dir / "nameless.json") << R"([{"format": "WAV"}])";
  std::ofstream(dir / "report.tsv") << "name\tformat\n";
  std::ofstream(dir / "gone.json") << R"([{"name": "snd00001.wav", "path": "/nowhere/snd00001.wav", "format": "WAV",
      "first_sector": 100, "sectors": 8, "bytes": 4096, "unreadable_sectors": "101-102", "short": false,
      "verdict": "whole, reassembled from 2 pieces", "evidence": "checksums", "unwritten_sectors": "",
      "pieces": "100+4,300+4", "duration": 1.5, "decode": "plays to the end", "bytes_after_end": 96}])";
  ASSERT_EQ(mkfifo((dir / "pipe.json").c_str(), 0600), 0);
  // Past the size a report may have, without a byte written.
  { std::ofstream(dir / "huge.json") << "["; }
  fs::resize_file(dir / "huge.json", static_cast<uintmax_t>(gui::kReportMostBytes) + 1);
  const std::string most = "9223372036854775807";  // 2^63 - 1
  const struct {
    const char* file;
    std::string text;   // written to file unless empty
    std::string error;  // a part of the message, or "" when it reads
  } rows[] = {
      {"missing.json", "", "The report "},
      {"", "", "The report "},  // the folder itself
      {"pipe.json", "", "cannot be read: not a regular file"},
      {"huge.json", "", "cannot be read: it is larger than 134217728 bytes"},
      {"empty.json", "", " is not a report of recovered files"},
      {"object.json", "", " is not a report of recovered files: not a list"},
      {"nameless.json", "", " is not a report of recovered files: row 1 lacks \"name\""},
      {"report.tsv", "", " is not a report of recovered files"},
      {"gone.json", "", ""},
      {"plain.json", OneRow(), ""},
      // Sector lists: 3 KB of wild ranges are refused before a sector is held; a file's unreadable
      // sectors are no more than its own (8, and 2 more left unwritten after its end).
      {"wild-ranges.json", OneRow({{"unreadable_sectors", "\"" + Repeated("0-999999,", 340) + "\""}}),
       "row 1: \"unreadable_sectors\" lists more than 8 sectors"},
      {"nine-of-eight.json", OneRow({{"unreadable_sectors", R"("100-108")"}}), "lists more than 8 sectors"},
      {"ten-of-ten.json", OneRow({{"unreadable_sectors", R"("100-109")"}, {"unwritten_sectors", R"("108-109")"}}), ""},
      {"unreadable-trailing-comma.json", OneRow({{"unreadable_sectors", R"("101-102,")"}}),
       "\"unreadable_sectors\" does not list sectors of the file"},
      {"unreadable-backwards.json", OneRow({{"unreadable_sectors", R"("102-101")"}}), "does not list sectors"},
      {"unreadable-negative.json", OneRow({{"unreadable_sectors", R"("-5")"}}), "does not list sectors"},
      {"unreadable-past-2-63.json", OneRow({{"unreadable_sectors", R"("9223372036854775808")"}}),
       "does not list sectors"},
      {"unreadable-not-text.json", OneRow({{"unreadable_sectors", "[101, 102]"}}),
       "\"unreadable_sectors\" is not a text of at most"},
      {"unwritten-wild.json", OneRow({{"unwritten_sectors", R"("x-y")"}}),
       "\"unwritten_sectors\" does not list sectors"},
      // Numbers: whole, not negative, below 2^63, a file's end too.
      {"first-2-64.json", OneRow({{"first_sector", "18446744073709551615"}}),
       "row 1: \"first_sector\" is not a whole number from 0 to " + most},
      {"first-negative.json", OneRow({{"first_sector", "-1"}}), "\"first_sector\" is not a whole number"},
      {"first-fraction.json", OneRow({{"first_sector", "1.5"}}), "\"first_sector\" is not a whole number"},
      {"first-text.json", OneRow({{"first_sector", R"("100")"}}), "\"first_sector\" is not a whole number"},
      {"first-null.json", OneRow({{"first_sector", "null"}}), "\"first_sector\" is not a whole number"},
      {"first-absent.json", OneRow({{"first_sector", ""}}), "row 1 lacks \"first_sector\""},
      {"first-2-63-less-1.json", OneRow({{"first_sector", most}, {"sectors", "0"}, {"unreadable_sectors", R"("")"}}),
       ""},
      {"end-past-2-63.json", OneRow({{"first_sector", "9223372036854775800"}, {"unreadable_sectors", R"("")"}}),
       "\"sectors\" is not a whole number from 0 to 7"},
      {"bytes-huge.json", OneRow({{"bytes", "1e300"}}), "\"bytes\" is not a whole number"},
      {"after-end-past-bytes.json", OneRow({{"bytes_after_end", "4097"}}),
       "\"bytes_after_end\" is not a whole number from 0 to 4096"},
      // Pieces: a few, each its first sector and count, ending below 2^63.
      {"pieces.json", OneRow({{"pieces", R"("100+4,300+4")"}}), ""},
      {"pieces-malformed.json", OneRow({{"pieces", R"("100+4+4")"}}), "\"pieces\" does not list sectors"},
      {"pieces-no-count.json", OneRow({{"pieces", R"("100")"}}), "\"pieces\" does not list sectors"},
      {"pieces-past-2-63.json", OneRow({{"pieces", R"("9223372036854775800+100")"}}), "\"pieces\" does not list"},
      {"pieces-many.json", OneRow({{"pieces", "\"" + Repeated("1+1,", 64) + "1+1\""}}),
       "\"pieces\" lists more than 64 pieces"},
      // A playing time, finite and sane, or none.
      {"duration-null.json", OneRow({{"duration", "null"}}), ""},
      {"duration-negative.json", OneRow({{"duration", "-1"}}), "\"duration\" is not a number of seconds from 0 to"},
      {"duration-huge.json", OneRow({{"duration", "1e300"}}), "\"duration\" is not a number of seconds"},
      {"duration-text.json", OneRow({{"duration", R"("1.5")"}}), "\"duration\" is not a number of seconds"},
      // Texts of sane lengths; yes or no as true or false.
      {"name-long.json", OneRow({{"name", "\"" + std::string(2000, 'a') + "\""}}),
       "\"name\" is not a text of at most 1024 characters"},
      {"name-empty.json", OneRow({{"name", R"("")"}}), "row 1 lacks \"name\""},
      {"name-number.json", OneRow({{"name", "12"}}), "\"name\" is not a text"},
      {"name-null-char.json", OneRow({{"name", R"("a\u0000.wav")"}}), "\"name\" is not a text"},
      {"path-long.json", OneRow({{"path", "\"/" + std::string(5000, 'a') + "\""}}), "\"path\" is not a text"},
      {"verdict-long.json", OneRow({{"verdict", "\"" + std::string(300, 'w') + "\""}}), "\"verdict\" is not a text"},
      {"short-yes.json", OneRow({{"short", R"("yes")"}}), "\"short\" is neither true nor false"},
      // The row is named: the second here, and a row that is no object lacks its name.
      {"second-row.json", OneRow({}, R"(, {"name": "b.wav", "first_sector": 200, "sectors": -8})"),
       "row 2: \"sectors\" is not a whole number"},
      {"row-not-object.json", OneRow({}, ", 7"), "row 2 lacks \"name\""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    if (!row.text.empty()) std::ofstream(dir / row.file) << row.text;
    gui::TReviewReport report;
    QString error;
    const QString path = QString::fromStdString((dir / row.file).string());
    const bool read = gui::LoadReviewReport(path, report, error);
    EXPECT_EQ(read, row.error.empty()) << error.toStdString();
    if (!read) {
      EXPECT_TRUE(error.contains(QString::fromStdString(row.error))) << error.toStdString();
      EXPECT_TRUE(report.Files.empty());
    }
  }
  gui::TReviewReport report;
  QString error;
  ASSERT_TRUE(gui::LoadReviewReport(QString::fromStdString((dir / "gone.json").string()), report, error));
  ASSERT_EQ(report.Files.size(), 1u);
  const TRecoveredFile& f = report.Files[0].File;
  EXPECT_EQ(f.UnreadableSectors, (std::vector<uint64_t>{101, 102}));
  // Decoding stops where the recording ended, before the bytes the report says follow it.
  EXPECT_EQ(f.StreamEnd, 4000u);
  ASSERT_EQ(f.Pieces.size(), 2u);
  EXPECT_EQ(f.Pieces[1].First, 300u);
  EXPECT_EQ(report.FirstSector, 100u);
  EXPECT_EQ(report.EndSector, 304u);
  gui::TReviewWindow window(std::move(report.Files), report.FirstSector, report.EndSector, nullptr, &noDecoder_);
  const QStringList cells = window.ShownRows().value(0);
  EXPECT_EQ(cells.value(TReviewModel::kVerdict), "whole, reassembled from 2 pieces, checked by checksums");
  EXPECT_EQ(cells.value(TReviewModel::kDecode), "file not found");
  EXPECT_EQ(cells.value(TReviewModel::kDuration), "0:01.5");
  // Each piece a span of its own.
  EXPECT_EQ(window.ReviewMap->SpansOf(0).size(), 2u);

  // A report without paths finds its files beside itself.
  std::ofstream(dir / "near.wav") << "RIFF";
  std::ofstream(dir / "near.json") << R"([{"name": "near.wav", "first_sector": 0, "sectors": 1},
      {"name": "far.wav", "first_sector": 5, "sectors": 1}])";
  gui::TReviewReport near;
  ASSERT_TRUE(gui::LoadReviewReport(QString::fromStdString((dir / "near.json").string()), near, error));
  ASSERT_EQ(near.Files.size(), 2u);
  EXPECT_EQ(near.Files[0].File.Path, (dir / "near.wav").string());
  EXPECT_EQ(near.Files[0].State, TReviewFile::TState::NotChecked);
  EXPECT_EQ(near.Files[1].State, TReviewFile::TState::Missing);
}

// A report may name any path: the window opens only regular files inside the report's own folder, never
// through a link, and the decoder is told that folder too; a row it refuses says why, is not decoded and
// offers no Play.
TEST_F(ReviewWindowTest, OnlyRegularFilesInsideTheReportsFolderAreOpened) {
  const fs::path home = env.Home(), dir = home / "report";
  fs::create_directories(dir / "sub");
  WriteWav(dir / "inside.wav", 1, 0.5);
  WriteWav(dir / "sub" / "deeper.wav", 1, 0.5);
  WriteWav(home / "outside.wav", 1, 0.5);
  ASSERT_EQ(mkfifo((dir / "pipe.wav").c_str(), 0600), 0);
  fs::create_symlink(home / "outside.wav", dir / "link.wav");
  fs::create_symlink(dir / "inside.wav", dir / "link-inside.wav");
  fs::create_directory_symlink(home, dir / "up");
  const std::string outside = "not opened: outside the report's folder", notFile = "not opened: not a regular file";
  const struct {
    std::string name, path;  // no path: the name beside the report
    std::string shown;       // "" for a file the decoder is asked about
  } rows[] = {
      {"inside.wav", "", ""},
      {"deeper.wav", (dir / "sub" / "deeper.wav").string(), ""},
      {"outside.wav", (home / "outside.wav").string(), outside},
      {"shadow", "/etc/shadow", outside},
      {"null", "/dev/null", notFile},
      {"pipe.wav", "", notFile},
      {"sub", "", notFile},
      {"link.wav", "", "not opened: a symbolic link"},
      {"link-inside.wav", "", "not opened: a symbolic link"},
      {"up.wav", (dir / "up" / "outside.wav").string(), outside},
      {"../outside.wav", "", outside},
      {"gone.wav", "", "file not found"},
  };
  std::string json;
  for (size_t i = 0; i < std::size(rows); ++i) {
    json += json.empty() ? "[" : ",\n";
    json += R"({"name": ")" + rows[i].name + R"(", "first_sector": )" + std::to_string(i * 10) + R"(, "sectors": 1)";
    if (!rows[i].path.empty()) json += R"(, "path": ")" + rows[i].path + R"(")";
    json += "}";
  }
  std::ofstream(dir / "r.json") << json << "]\n";
  gui::TReviewReport report;
  QString error;
  // The pipe is never opened for reading: the report reads at once.
  ASSERT_TRUE(gui::LoadReviewReport(QString::fromStdString((dir / "r.json").string()), report, error))
      << error.toStdString();
  ASSERT_EQ(report.Files.size(), std::size(rows));
  EXPECT_EQ(fs::path(report.Folder), dir);

  // The decoder stand-in writes down what it was asked.
  const fs::path log = home / "asked.txt";
  const QString decoder = FakeDecoder(home, "log.sh", "echo \"$@\" >> '" + log.string() + "'");
  gui::TReviewWindow window(std::move(report.Files), report.FirstSector, report.EndSector, nullptr, &decoder);
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Decoder().Idle(); }, 20000));
  int asked = 0;
  for (size_t r = 0; r < std::size(rows); ++r) {
    SCOPED_TRACE(rows[r].name);
    const QString shown = window.Model().index(static_cast<int>(r), TReviewModel::kDecode).data().toString();
    if (rows[r].shown.empty()) {
      // The stand-in prints no answer.
      EXPECT_EQ(shown, "decoder crashed");
      ++asked;
    } else {
      EXPECT_EQ(shown.toStdString(), rows[r].shown);
    }
    window.SelectFile(static_cast<int>(r));
    const bool refused = rows[r].shown.rfind("not opened", 0) == 0;
    EXPECT_EQ(window.ReviewButtonPlay->isEnabled(), !refused);
    EXPECT_EQ(window.ReviewButtonShowFolder->isEnabled(), !refused);
  }
  // Only the two files inside were decoded, each within the report's folder.
  std::istringstream lines(test::ReadText(log.string()));
  std::vector<std::string> calls;
  for (std::string line; std::getline(lines, line);) calls.push_back(line);
  ASSERT_EQ(calls.size(), 2u);
  for (const std::string& call : calls) {
    EXPECT_NE(call.find("--within=" + dir.string() + " "), std::string::npos) << call;
    EXPECT_TRUE(call.find("inside.wav") != std::string::npos || call.find("deeper.wav") != std::string::npos) << call;
  }
  EXPECT_EQ(asked, 2);
}

// Decoders that misbehave cost their own row only; without a decoder every row says "not checked".
TEST_F(ReviewWindowTest, ADecoderThatCrashesHangsOrTalksNonsenseCostsOnlyItsRow) {
  const fs::path dir = env.Home();
  const struct {
    const char* what;
    QString decoder;
    const char* shown;
  } rows[] = {
      {"no decoder", QString(), "not checked"},
      {"killed by a signal", FakeDecoder(dir, "crash.sh", "kill -SEGV $$"), "decoder crashed"},
      {"hangs", FakeDecoder(dir, "hang.sh", "exec sleep 60"), "decoder timed out"},
      {"nonsense", FakeDecoder(dir, "talk.sh", "echo hello"), "decoder crashed"},
      {"missing program", QString::fromStdString((dir / "absent").string()), "decoder crashed"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<TReviewFile> files = {Row("a.wav", dir, 0), Row("b.wav", dir, 20), Row("c.wav", dir, 40)};
    gui::TReviewWindow window(std::move(files), 0, 100, nullptr, &row.decoder);
    decode::TDecodeLimits limits;
    limits.Time = std::chrono::seconds(1);
    window.Decoder().SetLimits(limits);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Decoder().Idle(); }, 20000));
    for (int r = 0; r < 3; ++r) {
      EXPECT_EQ(window.Model().index(r, TReviewModel::kDecode).data().toString(), row.shown) << r;
      // The decoder's own words, under the pointer.
      if (row.shown == QLatin1String("decoder timed out")) {
        EXPECT_EQ(window.Model().index(r, TReviewModel::kDecode).data(Qt::ToolTipRole).toString(),
                  "ran past 1 s and was ended");
      }
    }
    // The window still answers: a row is selected and Show in Folder is there for it.
    window.SelectFile(2);
    EXPECT_EQ(window.SelectedFile(), 2);
    EXPECT_TRUE(window.ReviewButtonPlay->isEnabled());
  }
}

// With the real decoder: a tone draws a waveform, silence a flat line; both play to their end.
TEST_F(ReviewWindowTest, ATonesWaveformHasHeightAndSilencesIsFlat) {
  const QString decoder = QString::fromStdString(decode::DecoderProgram());
  if (decoder.isEmpty()) GTEST_SKIP() << "built without a decoder";
  const fs::path dir = env.Home();
  WriteWav(dir / "tone.wav", 2, 0.8);
  WriteWav(dir / "silence.wav", 2, 0);
  gui::TReviewWindow window({Row("tone.wav", dir, 0, TVerdict::Whole), Row("silence.wav", dir, 100, TVerdict::Whole)},
                            0, 200, nullptr, &decoder);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Decoder().Idle(); }, 30000));
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(window.Model().index(r, TReviewModel::kDecode).data().toString(), "plays to the end") << r;
    EXPECT_EQ(window.Model().index(r, TReviewModel::kDuration).data().toString(), "0:02.0") << r;
  }
  const std::set<int> tone = InkedRows(window, 0), silence = InkedRows(window, 1);
  EXPECT_GE(tone.size(), 25u);
  EXPECT_LE(silence.size(), 1u);
}

// Played for real into a sound server's null sink (tests/gui/playback-test.sh starts one and sets
// QUILLOT_SOUND_SERVER): the position advances, Stop ends it.
TEST_F(ReviewWindowTest, PlaysIntoTheSoundServer) {
  if (qEnvironmentVariableIsEmpty("QUILLOT_SOUND_SERVER")) GTEST_SKIP() << "run by playback-test.sh";
  const QString decoder = QString::fromStdString(decode::DecoderProgram());
  ASSERT_FALSE(decoder.isEmpty());
  const fs::path dir = env.Home();
  WriteWav(dir / "tone.wav", 3, 0.5);
  gui::TReviewWindow window({Row("tone.wav", dir, 0, TVerdict::Whole)}, 0, 100, nullptr, &decoder);
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Decoder().Idle(); }, 30000));
  QString failure;
  QObject::connect(&window.Player(), &gui::TReviewPlayer::Failed, [&](const QString& why) { failure = why; });
  window.SelectFile(0);
  window.ReviewButtonPlay->click();
  EXPECT_TRUE(window.Player().Playing());
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Player().Position() > 0.5 || !failure.isEmpty(); }, 15000));
  EXPECT_EQ(failure, "");
  EXPECT_GT(window.ReviewSliderPosition->value(), 0);
  // The sink is fed while the test looks: the script's pactl sees a sink input now.
  if (const char* marker = std::getenv("QUILLOT_SOUND_MARKER")) {
    std::ofstream(marker) << "playing\n";
    QTest::qWait(1500);
  }
  window.ReviewButtonStop->click();
  EXPECT_FALSE(window.Player().Playing());
}

}  // namespace quillot::testing
