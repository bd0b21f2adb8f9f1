#include "help/HelpInterface.h"

#include <algorithm>
#include <filesystem>

#include "help/HtmlHelp.h"
#include "platform/ProgramFolder.h"

namespace quillot {

namespace {

struct THelpSystem {
  THelpSystem() : Viewer(HelpManager()), Selector(Viewer) {}
  TSPHelpViewer Viewer;
  TSPHelpSelector Selector;
  TSPHelpTester Tester;
};

std::unique_ptr<THelpSystem> helpSystem;

}  // namespace

std::string TSPHelpViewer::HelpFile() const {
  return manager_.RequestHelpFile.empty() ? ApplicationHelpFile : manager_.RequestHelpFile;
}

void TSPHelpViewer::ShowHelp(const std::string& keyword) {
  const std::string file = HelpFile();
  std::error_code ec;
  if (file.empty() || !std::filesystem::is_regular_file(file, ec)) return;
  HtmlHelpCall(manager_.Owner, file + "::" + keyword, HH_DISPLAY_TOPIC, 0);
}

void TSPHelpViewer::ShowTableOfContents() { HtmlHelpCall(manager_.Owner, HelpFile(), HH_DISPLAY_TOC, 0); }

void TSPHelpViewer::SoftShutDown() { HtmlHelpCall(0, HelpFile(), HH_CLOSE_ALL, 0); }

void TSPHelpViewer::ShutDown() {
  SoftShutDown();
  manager_.UnregisterViewer(*this);
  if (manager_.Tester() != nullptr) manager_.SetTester(nullptr);
}

void THelpManager::RegisterViewer(TSPHelpViewer& viewer) {
  if (Knows(viewer)) return;
  viewers_.push_back(&viewer);
  viewer.NotifyID(static_cast<int>(viewers_.size()));
}

void THelpManager::UnregisterViewer(const TSPHelpViewer& viewer) {
  viewers_.erase(std::remove(viewers_.begin(), viewers_.end(), &viewer), viewers_.end());
  for (size_t i = 0; i < viewers_.size(); ++i) viewers_[i]->NotifyID(static_cast<int>(i + 1));
}

bool THelpManager::Knows(const TSPHelpViewer& viewer) const {
  return std::find(viewers_.begin(), viewers_.end(), &viewer) != viewers_.end();
}

bool THelpManager::KeywordHelp(const std::string& keyword, THelpHandle owner, const std::string& helpFile) {
  std::vector<TSPHelpViewer*> willing;
  std::vector<std::string> strings;
  for (TSPHelpViewer* v : viewers_) {
    if (v->UnderstandsKeyword(keyword) > 0) {
      willing.push_back(v);
      for (auto& s : v->GetHelpStrings(keyword)) strings.push_back(std::move(s));
    }
  }
  if (willing.empty()) return false;
  TSPHelpViewer* chosen = willing.front();
  if (willing.size() > 1 && selector_ != nullptr) {
    const int index = selector_->SelectKeyword(strings);
    if (index >= 0 && static_cast<size_t>(index) < viewers_.size()) chosen = viewers_[static_cast<size_t>(index)];
  }
  Owner = owner;
  RequestHelpFile = helpFile;
  chosen->ShowHelp(keyword);
  Owner = 0;
  RequestHelpFile.clear();
  return true;
}

bool THelpManager::ShowTableOfContents(THelpHandle owner, const std::string& helpFile) {
  for (TSPHelpViewer* v : viewers_) {
    if (!v->CanShowTableOfContents()) continue;
    Owner = owner;
    RequestHelpFile = helpFile;
    v->ShowTableOfContents();
    Owner = 0;
    RequestHelpFile.clear();
    return true;
  }
  return false;
}

THelpManager& HelpManager() {
  static THelpManager manager;
  return manager;
}

void RegisterHelpViewer() {
  if (helpSystem) return;
  helpSystem = std::make_unique<THelpSystem>();
  HelpManager().RegisterViewer(helpSystem->Viewer);
  HelpManager().SetTester(&helpSystem->Tester);
  HelpManager().SetSelector(&helpSystem->Selector);
  // The help file is found beside the other data whatever the working folder is.
  ApplicationHelpFile = DataFolder() + kHelpFileName;
}

void ReleaseHelpViewer() {
  if (!helpSystem) return;
  if (HelpManager().Knows(helpSystem->Viewer)) helpSystem->Viewer.ShutDown();
  HelpManager().SetTester(nullptr);
  HelpManager().SetSelector(nullptr);
  helpSystem.reset();
}

}  // namespace quillot
