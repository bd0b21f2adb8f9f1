// The shipped language files against the program itself: every message and every window text the
// program looks up is translated, keeps its placeholders, line breaks and accelerators, nothing is left
// in English by mistake, and no key is one the program never reads.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "engine/FileClaim.h"
#include "gui/AboutForm.h"
#include "gui/AdvancedParamsForm.h"
#include "gui/FormatPropForm.h"
#include "gui/GuiMessages.h"
#include "gui/MediumMapWidget.h"
#include "gui/QtText.h"
#include "gui/ReviewReport.h"
#include "gui/ReviewWindow.h"
#include "gui/TranslateForms.h"
#include "i18n/CodePage.h"
#include "i18n/Language.h"
#include "i18n/Messages.h"
#include "support/GuiFixture.h"
#include "util/Text.h"
#include "wizard/DriveProblem.h"

namespace quillot::testing {

namespace {
namespace fs = std::filesystem;
using gui::TWindowText;

// The windows besides the main one that a language file translates, each made as the program makes it
// while the main window is open. Adding a window is one line here.
using TMakeWindow = std::function<std::unique_ptr<QWidget>(gui::TMainForm&)>;
const std::vector<std::pair<QString, TMakeWindow>> kDialogs = {
    {"AboutForm", [](gui::TMainForm& main) { return std::make_unique<gui::TAboutForm>(&main); }},
    {"FormatPropForm", [](gui::TMainForm& main) { return std::make_unique<gui::TFormatPropForm>(&main); }},
    {"AdvancedParamsForm", [](gui::TMainForm& main) { return std::make_unique<gui::TAdvancedParamsForm>(&main); }},
    {"ReviewWindow",
     [](gui::TMainForm& main) {
       static const QString noDecoder;
       return std::make_unique<gui::TReviewWindow>(std::vector<gui::TReviewFile>{}, 0, 1, &main, &noDecoder);
     }},
};

// Texts that read the same in the language as in English.
const std::set<QString> kSameEverywhere = {"Quillot"};
const std::map<std::string, std::set<QString>> kSameAsEnglish = {
    {"German", {"Start", "Status", "Status:", "Build", "%s MB/s"}},
    {"Dutch", {"Start", "Status", "Status:", "Build", "Type", "&Help", "%s MB/s"}},
};

std::vector<fs::path> ShippedFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(QUILLOT_SOURCE_DIR) / "data" / "lang"))
    if (entry.path().extension() == ".lng") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

int Count(const QString& text, const QString& what) { return static_cast<int>(text.count(what)); }

int Letters(const QString& text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLetter(); }));
}

// The accelerator letters of a caption: each "&" before anything but another "&" or a blank.
QString Accelerators(const QString& text) {
  QString found;
  for (int i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] == QLatin1Char('&')) {
      ++i;
      continue;
    }
    if (!text[i + 1].isSpace()) found += text[i + 1].toLower();
  }
  return found;
}

// Strict UTF-8 with no replacement character in it.
bool IsCleanUtf8(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  return !utf8.hasError() && !text.contains(QChar::ReplacementCharacter);
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}
}  // namespace

class ShippedLanguagesTest : public TGuiTest, public ::testing::WithParamInterface<fs::path> {
 protected:
  ~ShippedLanguagesTest() override { gui::TranslateFormsWatcher = nullptr; }

  std::string Language() const { return GetParam().stem().string(); }

  // Puts the file beside the program and chooses it, as the user does.
  void Install() {
    fs::copy_file(GetParam(), env.Program() / GetParam().filename(), fs::copy_options::overwrite_existing);
    GlobalLanguage = GetParam().filename().string();
    LanguageFile = LoadLanguageFile(GlobalLanguage);
    ASSERT_TRUE(LanguageFile) << GetParam();
  }

  // Opens every translated window with the file chosen and answers, per window, the texts it looked up
  // with the text each had built in at that moment. inspect, when given, sees each window translated.
  std::map<QString, QList<TWindowText>> WalkWindows(
      const std::function<void(QWidget*, const QList<TWindowText>&)>& inspect = nullptr) {
    Install();
    std::map<QString, QList<TWindowText>> seen;
    gui::TranslateFormsWatcher = [&](QWidget* window, const QList<TWindowText>& texts) {
      seen[window->objectName()] = texts;
    };
    auto look = [&](QWidget* window) {
      auto it = seen.find(window->objectName());
      if (inspect && it != seen.end()) inspect(window, it->second);
    };
    {
      gui::TMainForm main;
      look(&main);
      for (const auto& [name, make] : kDialogs) look(make(main).get());
    }
    gui::TranslateFormsWatcher = nullptr;
    // Every one of them translated itself when it was made.
    EXPECT_TRUE(seen.count(QStringLiteral("MainForm")));
    for (const auto& [name, make] : kDialogs) EXPECT_TRUE(seen.count(name)) << name.toStdString();
    return seen;
  }

  const std::string* Value(const QString& section, const QString& key) const {
    return LanguageFile->Find(FromQ(section), FromQ(key));
  }

  bool SameInThisLanguage(const QString& english) const {
    if (kSameEverywhere.count(english)) return true;
    auto it = kSameAsEnglish.find(Language());
    return it != kSameAsEnglish.end() && it->second.count(english);
  }

  static std::string FromQ(const QString& s) { return s.toStdString(); }
};

TEST(ShippedLanguages, TheThreeLanguagesShipAndReachTheProgramFolder) {
  std::vector<std::string> names;
  for (const fs::path& file : ShippedFiles()) {
    names.push_back(file.filename().string());
    // The build copies each beside the programs, where the language lists look.
    EXPECT_TRUE(fs::exists(fs::path(QUILLOT_BINARY_DIR) / file.filename())) << file;
  }
  for (const char* name : {"Dutch.lng", "German.lng", "Russian.lng"})
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
}

TEST_P(ShippedLanguagesTest, LoadsAsUtf8WithoutReplacementCharacters) {
  Install();
  const std::string raw = ReadText(GetParam());
  // An 8-bit file must say which code page it is in, or its letters would show as Latin-1.
  if (!IsUtf8(raw)) {
    EXPECT_FALSE(DeclaredCodePage(raw).empty()) << GetParam();
  }
  EXPECT_GE(LanguageFile->SectionCount(), 2u);
  for (const std::string& section : LanguageFile->SectionNames()) {
    EXPECT_TRUE(IsCleanUtf8(section)) << section;
    for (const std::string& key : LanguageFile->KeysOf(section)) {
      EXPECT_TRUE(IsCleanUtf8(key)) << section << "/" << key;
      EXPECT_TRUE(IsCleanUtf8(*LanguageFile->Find(section, key))) << section << "/" << key;
    }
  }
}

TEST_P(ShippedLanguagesTest, TranslatesEveryMessageKeepingPlaceholdersAndLineBreaks) {
  Install();
  for (const TMessage& m : gui::AllProgramMessages()) {
    const std::string* value = LanguageFile->Find("Misc", m.Key);
    if (!value) {
      ADD_FAILURE() << "missing: [Misc] " << m.Key << "=" << m.Default;
      continue;
    }
    EXPECT_FALSE(value->empty()) << m.Key;
    const QString english = Q(m.Default), translated = Q(*value);
    EXPECT_EQ(Count(translated, QStringLiteral("%s")), Count(english, QStringLiteral("%s"))) << m.Key;
    EXPECT_EQ(Count(translated, QStringLiteral("*|*")), Count(english, QStringLiteral("\n"))) << m.Key;
    // What the program shows after the lookup is still clean text.
    EXPECT_TRUE(IsCleanUtf8(Tr(m))) << m.Key;
  }
}

TEST_P(ShippedLanguagesTest, TranslatesEveryTextOfEveryWindowKeepingAccelerators) {
  const auto windows = WalkWindows();
  for (const auto& [window, texts] : windows) {
    std::map<QChar, QString> accelerators;  // letter -> key, within one window
    for (const TWindowText& t : texts) {
      if (t.Text.isEmpty()) continue;
      const std::string* value = Value(window, t.Key);
      if (!value) {
        ADD_FAILURE() << "missing: [" << window.toStdString() << "] " << t.Key.toStdString() << "="
                      << t.Text.toStdString();
        continue;
      }
      EXPECT_FALSE(value->empty()) << t.Key.toStdString();
      const QString translated = Q(*value);
      const QString letters = Accelerators(translated);
      EXPECT_EQ(letters.size(), Accelerators(t.Text).size()) << t.Key.toStdString() << ": " << *value;
      for (QChar letter : letters) {
        auto [it, fresh] = accelerators.emplace(letter, t.Key);
        EXPECT_TRUE(fresh) << t.Key.toStdString() << " takes Alt+" << QString(letter).toStdString() << " from "
                           << it->second.toStdString();
      }
    }
  }
}

TEST_P(ShippedLanguagesTest, LeavesNoTextInEnglish) {
  const auto windows = WalkWindows();
  auto check = [&](const QString& english, const std::string* value, const std::string& where) {
    if (!value || Letters(english) <= 3 || SameInThisLanguage(english)) return;
    EXPECT_NE(Q(*value), english) << where << " is still in English";
  };
  for (const TMessage& m : gui::AllProgramMessages()) check(Q(m.Default), LanguageFile->Find("Misc", m.Key), m.Key);
  for (const auto& [window, texts] : windows)
    for (const TWindowText& t : texts) check(t.Text, Value(window, t.Key), t.Key.toStdString());
}

// Windows keep their built-in sizes, so a translation must fit the room its control gives (or, where
// the English text overflows it already, be no wider than that).
TEST_P(ShippedLanguagesTest, EveryTranslatedTextFitsItsControl) {
  WalkWindows([](QWidget* window, const QList<TWindowText>& texts) {
    window->show();
    QCoreApplication::processEvents();
    for (const TWindowText& t : texts) {
      auto* widget = qobject_cast<QWidget*>(t.Component.data());
      if (t.Text.isEmpty() || !widget || widget->isWindow()) continue;
      const QFontMetrics fm = widget->fontMetrics();
      auto width = [&](const QString& text) { return fm.horizontalAdvance(QString(text).remove(QLatin1Char('&'))); };
      QString shown;
      int room = 0;
      if (t.Kind == TWindowText::kColumn) {
        auto* list = qobject_cast<QTreeWidget*>(widget);
        shown = list->headerItem()->text(t.Index);
        room = list->columnWidth(t.Index) - 4;  // the header's own margins
      } else if (t.Kind != TWindowText::kCaption) {
        continue;
      } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        shown = check->text();
        room = check->width() - (check->sizeHint().width() - width(shown));  // less the box itself
      } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        shown = button->text();
        room = button->width() - 4;  // the frame
      } else if (auto* label = qobject_cast<QLabel*>(widget); label && label->pixmap().isNull()) {
        if (label->wordWrap()) {
          EXPECT_LE(label->heightForWidth(label->width()), label->height())
              << FromQ(t.Key) << ": " << FromQ(label->text());
          continue;
        }
        shown = label->text();
        room = label->width();
      } else {
        continue;
      }
      EXPECT_LE(width(shown), std::max(room, width(t.Text))) << FromQ(t.Key) << ": " << FromQ(shown);
    }
    window->hide();
  });
}

// The drive list's status words stand in a column of fixed width.
TEST_P(ShippedLanguagesTest, DriveStatusWordsFitTheirColumn) {
  Install();
  gui::TMainForm form;
  form.show();
  QTreeWidget* list = form.StartListViewDrives;
  const int room = list->columnWidth(4) - 2 * list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) - 4;
  for (const TMessage* m : {&strReady, &strNotReady, &strNomedia, &strNoAccess})
    EXPECT_LE(list->fontMetrics().horizontalAdvance(Q(Tr(*m))), room) << m->Key << ": " << Tr(*m);
}

// The Progress and Finish pages' figures stand in labels of fixed width; the count and the starts can reach the
// largest the pass keeps, the verdicts are told of a card's worth of files, the clock of a slow disk's days and an
// image read from memory.
TEST_P(ShippedLanguagesTest, FinishPageFiguresFitTheirLabels) {
  Install();
  gui::TMainForm form;
  form.show();
  const std::string most = std::to_string(INT32_MAX), n = "999";
  const std::pair<QLabel*, std::string> rows[] = {
      {form.FinishLabel2, most},
      {form.FinishLabelStarts, Tr(strStartsFound, {most})},

      {form.ProgressLabelStatus, Tr(strStopping)},
      {form.ProgressLabelElapsedTime, "999:59:59"},
      {form.ProgressLabelSpeedValue, "9999 MB/s"},
      {form.ProgressLabelTimeLeft, "999:59:59"},
  };
  for (const auto& [label, text] : rows)
    EXPECT_LE(label->fontMetrics().horizontalAdvance(Q(text)), label->width())
        << FromQ(label->objectName()) << ": " << text;
  // The verdicts and the line under them wrap, up to two rows each: every claim made at once, and the pieces
  // line or the bytes after the end.
  TClaimCounts counts;
  counts.fill(999);
  std::vector<TRecoveredFile> files(1);
  files[0].Pieces = {{1, 1}, {3, 1}};
  files[0].StreamEnd = 1;
  files[0].Bytes = 2;
  const std::pair<QLabel*, std::string> wrapped[] = {
      {form.FinishLabelVerdicts, ClaimSummary(counts)},
      {form.FinishLabelPieces, *PiecesSummary(files)},
      {form.FinishLabelPieces, *BytesAfterEndSummary(files, Tr(strTrimmingEndsThem))},
  };
  for (const auto& [label, text] : wrapped) {
    label->setText(Q(text));
    EXPECT_LE(label->heightForWidth(label->width()), 2 * label->fontMetrics().lineSpacing() + 2)
        << FromQ(label->objectName()) << ": " << text;
  }
}

// A file's verdict reads the same wherever a person meets it: the review window (from the pass and from the
// report the command line writes), the map's hint, and the Finish page's counts; each claim in words of its own.
TEST_P(ShippedLanguagesTest, AVerdictReadsTheSameEverywhere) {
  Install();
  const auto file = [](const char* name, uint64_t first, TVerdict verdict, TEvidence evidence, size_t pieces,
                       bool awaits = false) {
    TRecoveredFile f;
    f.Name = name;
    f.FirstSector = first;
    f.Sectors = 8;
    f.Verdict = verdict;
    f.Evidence = evidence;
    f.AwaitsContentCheck = awaits;
    for (size_t p = 0; p < pieces; ++p) f.Pieces.push_back({first + 40 * p, 8 / pieces});
    return f;
  };
  const std::vector<TRecoveredFile> files{
      file("a.flac", 0, TVerdict::Whole, TEvidence::Checksums, 0),
      file("b.wav", 10, TVerdict::Whole, TEvidence::Structure, 0),
      file("c.ogg", 20, TVerdict::Whole, TEvidence::Checksums, 2),
      file("d.flac", 30, TVerdict::Whole, TEvidence::Checksums, 2, true),
      file("e.mp3", 200, TVerdict::Unproven, TEvidence::Structure, 0),
      file("f.ac3", 210, TVerdict::Unproven, TEvidence::Checksums, 3),
      file("g.wav", 300, TVerdict::CutShort, TEvidence::Structure, 0),
      file("h.ogg", 310, TVerdict::Damaged, TEvidence::Checksums, 2),
      file("i.bin", 400, TVerdict::Unknown, TEvidence::None, 0),
  };
  // The report as the command line writes its verdict, evidence and pieces, read back by the review window.
  const fs::path report = env.Home() / "report.json";
  {
    std::ofstream out(report);
    out << "[";
    for (size_t i = 0; i < files.size(); ++i) {
      const TRecoveredFile& f = files[i];
      std::string pieces;
      for (const auto& p : f.Pieces)
        pieces += (pieces.empty() ? "" : ",") + std::to_string(p.First) + "+" + std::to_string(p.Count);
      out << (i ? "," : "") << "{\"name\": \"" << f.Name << "\", \"first_sector\": " << f.FirstSector
          << ", \"sectors\": " << f.Sectors << ", \"verdict\": \"" << ClaimKey(f) << "\", \"evidence\": \""
          << EvidenceKey(f.Evidence) << "\", \"pieces\": \"" << pieces << "\"}";
    }
    out << "]";
  }
  gui::TReviewReport read;
  QString error;
  ASSERT_TRUE(gui::LoadReviewReport(Q(report.string()), read, error)) << FromQ(error);
  std::vector<gui::TReviewFile> rows;
  for (const TRecoveredFile& f : files) {
    rows.emplace_back();
    rows.back().File = f;
  }
  gui::TReviewWindow fromPass(rows, 0, 500), fromReport(read.Files, 0, 500);
  fromPass.resize(1200, 600);
  fromPass.show();
  const QList<QStringList> passRows = fromPass.ShownRows(), reportRows = fromReport.ShownRows();
  ASSERT_EQ(passRows.size(), static_cast<int>(files.size()));
  ASSERT_EQ(reportRows.size(), static_cast<int>(files.size()));
  std::set<std::string> words;
  gui::TMainForm form;
  for (size_t i = 0; i < files.size(); ++i) {
    const TRecoveredFile& f = files[i];
    const QString said = Q(ClaimWords(f));
    SCOPED_TRACE(f.Name + ": " + FromQ(said));
    words.insert(ClaimLabel(ClaimOf(f)));
    EXPECT_EQ(passRows[int(i)].value(gui::TReviewModel::kVerdict), said);
    EXPECT_EQ(reportRows[int(i)].value(gui::TReviewModel::kVerdict), said);
    const std::vector<QRect> spans = fromPass.ReviewMap->SpansOf(int(i));
    ASSERT_FALSE(spans.empty());
    const QString hint = fromPass.ReviewMap->HintAt(spans[0].center());
    EXPECT_TRUE(hint.contains(said)) << FromQ(hint);
    form.Wizard().OnFileFinished(f);
  }
  // Six claims, six different words.
  EXPECT_EQ(words.size(), kClaims);
  const TClaimCounts counts = CountClaims(files);
  EXPECT_EQ(counts, (TClaimCounts{3, 1, 2, 1, 1, 1}));
  const QString finish = form.VerdictLine();
  for (const TMessage* m :
       {&strCountWhole, &strCountUnproven, &strCountUnverified, &strCountCutShort, &strCountDamaged, &strCountUnknown})
    EXPECT_TRUE(finish.contains(Q(Tr(*m, {m == &strCountWhole        ? "3"
                                          : m == &strCountUnverified ? "2"
                                                                     : "1"}))))
        << FromQ(finish) << " lacks " << m->Key;
  EXPECT_TRUE(form.PiecesLine().contains(Q(Tr(strPiecesSummary, {"4", "2"})))) << FromQ(form.PiecesLine());
}

// The Progress page's advice for a drive that cannot be read stands, wrapped, in a box of fixed size.
TEST_P(ShippedLanguagesTest, DriveAdviceFitsItsBox) {
  Install();
  gui::TMainForm form;
  form.show();
  QLabel* box = form.ProgressLabelDriveProblem;
  for (const QString& advice :
       {Q(DriveProblemText("/dev/mmcblk0", true, "", "plugdev")), Q(DriveProblemText("/dev/mmcblk0", true, "", "")),
        Q(DriveProblemText("", false, "/dev/mmcblk0: Input/output error", ""))}) {
    box->setText(advice);
    EXPECT_LE(box->heightForWidth(box->width()), box->height()) << FromQ(advice);
  }
}

TEST_P(ShippedLanguagesTest, HoldsNoKeyTheProgramDoesNotRead) {
  const auto windows = WalkWindows();
  std::set<std::string> messages;
  for (const TMessage& m : gui::AllProgramMessages()) messages.insert(LowerCaseAscii(m.Key));
  std::map<std::string, std::set<std::string>> windowKeys;
  for (const auto& [window, texts] : windows)
    for (const TWindowText& t : texts) windowKeys[LowerCaseAscii(FromQ(window))].insert(LowerCaseAscii(FromQ(t.Key)));

  for (const std::string& section : LanguageFile->SectionNames()) {
    const bool isMisc = section == "misc";
    auto window = windowKeys.find(section);
    if (!isMisc && window == windowKeys.end()) {
      ADD_FAILURE() << "[" << section << "] names no window the program translates";
      continue;
    }
    for (const std::string& key : LanguageFile->KeysOf(section)) {
      const bool used = isMisc ? messages.count(key) > 0 : window->second.count(key) > 0;
      EXPECT_TRUE(used) << "[" << section << "] " << key << " is read by nothing";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, ShippedLanguagesTest, ::testing::ValuesIn(ShippedFiles()),
                         [](const ::testing::TestParamInfo<fs::path>& info) {
                           std::string name = info.param.stem().string();
                           std::replace_if(
                               name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                           return name;
                         });

// Every message declared in the sources is in the one list the checks above walk.
TEST(ProgramMessages, EveryDeclaredMessageIsListed) {
  std::set<std::string> listed;
  for (const TMessage& m : gui::AllProgramMessages()) EXPECT_TRUE(listed.insert(m.Key).second) << m.Key;
  const QRegularExpression declaration(QStringLiteral(R"re(TMessage\s+(\w+)\s*\{\s*"([^"]*)")re"));
  int declared = 0;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(QUILLOT_SOURCE_DIR) / "src")) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".cpp") continue;
    for (const QRegularExpressionMatch& m : declaration.globalMatch(Q(ReadText(entry.path())))) {
      ++declared;
      EXPECT_EQ(m.captured(1), m.captured(2)) << "a message's name is its key";
      EXPECT_TRUE(listed.count(gui::FromQ(m.captured(2)))) << gui::FromQ(m.captured(2)) << " in " << entry.path();
    }
  }
  EXPECT_EQ(declared, static_cast<int>(listed.size()));
}

}  // namespace quillot::testing
