// The help manager and the viewer, selector and tester that connect the help engine to keyword help
// (F1 and the Help buttons). The windows hand the manager a topic path; the viewer shows it from the
// help file with the engine.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "help/HelpCommands.h"

namespace quillot {

class THelpManager;

class TSPHelpViewer {
 public:
  explicit TSPHelpViewer(THelpManager& manager) : manager_(manager) {}
  std::string GetViewerName() const { return "HtmlHelp"; }
  int UnderstandsKeyword(const std::string&) const { return 1; }
  std::vector<std::string> GetHelpStrings(const std::string& keyword) const {
    return {GetViewerName() + ": " + keyword};
  }
  bool CanShowTableOfContents() const { return true; }
  void ShowTableOfContents();
  void ShowHelp(const std::string& keyword);
  void NotifyID(int viewerId) { ViewerID = viewerId; }
  // Closes every help window the program opened.
  void SoftShutDown();
  void ShutDown();
  // The help file of the request: the manager's, else the application's.
  std::string HelpFile() const;

  int ViewerID = 0;

 private:
  THelpManager& manager_;
};

class TSPHelpSelector {
 public:
  explicit TSPHelpSelector(const TSPHelpViewer& viewer) : viewer_(viewer) {}
  // Always the viewer: its position in the manager's list of viewers.
  int SelectKeyword(const std::vector<std::string>&) const { return viewer_.ViewerID - 1; }
  int TableOfContents(const std::vector<std::string>&) const { return viewer_.ViewerID - 1; }

 private:
  const TSPHelpViewer& viewer_;
};

class TSPHelpTester {
 public:
  std::string GetDefaultHelpPath() const { return {}; }
  std::string GetDefaultHelpFile() const { return {}; }
};

class THelpManager {
 public:
  // Keyword help for a window: asks the viewers that understand the topic path (the selector picks
  // when several do). helpFile "" means the application's help file. False when no viewer took it.
  bool KeywordHelp(const std::string& keyword, THelpHandle owner, const std::string& helpFile = {});
  bool ShowTableOfContents(THelpHandle owner, const std::string& helpFile = {});

  // Viewers are numbered from 1 in the order they register.
  void RegisterViewer(TSPHelpViewer& viewer);
  void UnregisterViewer(const TSPHelpViewer& viewer);
  bool Knows(const TSPHelpViewer& viewer) const;
  void SetSelector(TSPHelpSelector* selector) { selector_ = selector; }
  void SetTester(TSPHelpTester* tester) { tester_ = tester; }
  TSPHelpTester* Tester() const { return tester_; }

  // The request being served.
  THelpHandle Owner = 0;
  std::string RequestHelpFile;

 private:
  std::vector<TSPHelpViewer*> viewers_;
  TSPHelpSelector* selector_ = nullptr;
  TSPHelpTester* tester_ = nullptr;
};

// The program's help manager.
THelpManager& HelpManager();

// Start-up: creates the viewer, the selector and the tester, hooks them into the help manager and
// sets ApplicationHelpFile to the help file in the program folder. Loads no engine.
void RegisterHelpViewer();
// Exit: closes the help windows if the viewer is still registered, and releases all three.
void ReleaseHelpViewer();

}  // namespace quillot
