#include "help/HtmlHelp.h"

#include <cstdio>

#include "help/ChmEngine.h"
#include "help/HelpBook.h"
#include "platform/Dialogs.h"
#include "util/Text.h"

namespace quillot {

std::string ApplicationHelpFile;

namespace {

class TNoHelpDisplay final : public THelpDisplay {
 public:
  THelpHandle ShowTopic(THelpHandle, std::shared_ptr<THelpBook>, const std::string&) override { return 0; }
  void CloseAll() override {}
  void Beep() override {}
  bool OfferEngineDownload(const std::string& text) override {
    std::fprintf(stderr, "%s\n", text.c_str());
    return false;
  }
  void OpenAddress(const std::string&) override {}
};

TNoHelpDisplay noDisplay;
THelpDisplay* display = &noDisplay;
// The download offer was accepted in this run: from then on a missing engine only beeps.
bool offerAccepted = false;

}  // namespace

THelpDisplay& HelpDisplay() { return *display; }

THelpDisplay* SetHelpDisplay(THelpDisplay* d) {
  THelpDisplay* previous = display == &noDisplay ? nullptr : display;
  display = d != nullptr ? d : &noDisplay;
  return previous;
}

std::string EngineMissingText() {
  return "Unable to load \"" + ChmEngineLibrary() +
         "\" library !!!\nPress OK Button to download and install the latest version\nof the HTML Help "
         "Workshop from the Microsoft Web Site.";
}

void ResetEngineOfferForTesting() { offerAccepted = false; }

THelpHandle HtmlHelpCall(THelpHandle owner, const std::string& fileAndTopic, unsigned command, std::uint32_t) {
  // No help window can be open while the engine was never loaded, so closing them all must not load
  // it: at program exit that would beep and offer a download nobody asked for.
  if (command == HH_CLOSE_ALL && LoadedChmEngine() == nullptr) return 0;
  const TChmEngine* engine = LoadChmEngine();
  if (engine == nullptr) {
    HelpDisplay().Beep();
    if (!offerAccepted && HelpDisplay().OfferEngineDownload(EngineMissingText())) {
      HelpDisplay().OpenAddress(kChmEngineHomePage);
      offerAccepted = true;
    }
    return kHelpEngineMissing;
  }
  if (command == HH_CLOSE_ALL) {
    HelpDisplay().CloseAll();
    return 0;
  }
  if (command != HH_DISPLAY_TOPIC && command != HH_DISPLAY_TOC) return 0;
  const size_t split = fileAndTopic.find("::");
  const std::string file = fileAndTopic.substr(0, split);
  std::string topic = split == std::string::npos ? std::string() : fileAndTopic.substr(split + 2);
  if (command == HH_DISPLAY_TOC) topic.clear();
  auto book = THelpBook::Open(*engine, file);
  if (!book) return 0;
  if (!topic.empty() && !book->HasTopic(topic)) return 0;
  if (topic.empty() && book->DefaultTopic().empty()) return 0;
  return HelpDisplay().ShowTopic(owner, std::move(book), topic);
}

void ShowHelpTopic(const std::string& topic) {
  const THelpHandle answer = HtmlHelpCall(0, ApplicationHelpFile + "::" + topic, HH_DISPLAY_TOPIC, 0);
  if (answer == 0) {
    Dialogs().Show(FormatText("Can't open help file (%s).", {ApplicationHelpFile}), "Error", TDialogButtons::Ok,
                   TDialogIcon::Error);
  }
}

}  // namespace quillot
