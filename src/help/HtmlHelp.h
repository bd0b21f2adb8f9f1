// The help engine's one call, and the quick-start topic shown through it. Core decides what is shown;
// a help display (the Qt help window, or a test's fake) shows it.
#pragma once

#include <memory>
#include <string>

#include "help/HelpCommands.h"

namespace quillot {

class THelpBook;

class THelpDisplay {
 public:
  virtual ~THelpDisplay() = default;
  // Shows topic (a page of the book, possibly with "#anchor"; empty for the book's contents with its
  // default page) in a help window that does not block its owner. Answers the window, 0 when
  // nothing could be shown.
  virtual THelpHandle ShowTopic(THelpHandle owner, std::shared_ptr<THelpBook> book, const std::string& topic) = 0;
  virtual void CloseAll() = 0;
  virtual void Beep() = 0;
  // The error box with OK and Cancel; true for OK.
  virtual bool OfferEngineDownload(const std::string& text) = 0;
  // Opens a web address in the user's browser.
  virtual void OpenAddress(const std::string& address) = 0;
};

// The display in use. Until one is installed, nothing is shown: topics answer 0 and the offer is
// written to standard error and declined.
THelpDisplay& HelpDisplay();
// Installs a display (not owned) and answers the previous one; nullptr restores the default.
THelpDisplay* SetHelpDisplay(THelpDisplay* display);

// owner, "file::topic" (or the file alone for the contents and for closing), a command and its data
// word. Answers the help window, 0 when the engine did not show the topic, kHelpEngineMissing when
// the engine cannot be loaded.
THelpHandle HtmlHelpCall(THelpHandle owner, const std::string& fileAndTopic, unsigned command, std::uint32_t data);

// The text of the download offer shown when the engine is missing.
std::string EngineMissingText();
// Forgets that the offer was accepted in this run (tests start each case afresh).
void ResetEngineOfferForTesting();

// The help file requests without a file of their own use: DataFolder + "Quillot.chm" once the
// help viewer is registered.
extern std::string ApplicationHelpFile;
inline constexpr const char* kHelpFileName = "Quillot.chm";

// Shows a topic of the application's help file; when it cannot be shown, says so in an error box (no
// box when the engine is missing: its own offer has said enough).
void ShowHelpTopic(const std::string& topic);

}  // namespace quillot
