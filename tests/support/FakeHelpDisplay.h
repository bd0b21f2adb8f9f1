// A help display that records what it was asked to show and answers the download offer from a script.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "help/ChmEngine.h"
#include "help/HelpBook.h"
#include "help/HtmlHelp.h"

namespace quillot::testing {

class TFakeHelpDisplay final : public THelpDisplay {
 public:
  struct TShown {
    THelpHandle Owner;
    std::string Book, Topic;
  };
  TFakeHelpDisplay() : previous_(SetHelpDisplay(this)) { ResetEngineOfferForTesting(); }
  ~TFakeHelpDisplay() override { SetHelpDisplay(previous_); }
  TFakeHelpDisplay(const TFakeHelpDisplay&) = delete;
  TFakeHelpDisplay& operator=(const TFakeHelpDisplay&) = delete;

  THelpHandle ShowTopic(THelpHandle owner, std::shared_ptr<THelpBook> book, const std::string& topic) override {
    Shown.push_back({owner, book->Path(), topic});
    LastBook = std::move(book);
    return 0x5000 + static_cast<THelpHandle>(Shown.size());
  }
  void CloseAll() override { ++Closed; }
  void Beep() override { ++Beeps; }
  bool OfferEngineDownload(const std::string& text) override {
    Offers.push_back(text);
    if (OfferAnswers.empty()) return false;
    const bool ok = OfferAnswers.front();
    OfferAnswers.pop_front();
    return ok;
  }
  void OpenAddress(const std::string& address) override { Opened.push_back(address); }

  std::vector<TShown> Shown;
  std::shared_ptr<THelpBook> LastBook;
  int Closed = 0, Beeps = 0;
  std::vector<std::string> Offers, Opened;
  std::deque<bool> OfferAnswers;  // true = OK; Cancel when the script runs out

 private:
  THelpDisplay* previous_;
};

// Makes the engine unloadable for the life of the object.
class TMissingEngine {
 public:
  TMissingEngine() { SetChmEngineLibraryForTesting("libquillot-no-such-engine.so.1"); }
  ~TMissingEngine() { SetChmEngineLibraryForTesting(""); }
};

// The help book the build compiled.
inline std::string BuiltHelpBook() { return std::string(QUILLOT_BINARY_DIR) + "/Quillot.chm"; }

}  // namespace quillot::testing
