// A front-end for the wizard's core that shows nothing: it keeps what the wizard sets, answers what the
// wizard asks from fields a test fills, and counts what it is asked to do.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "formats/FileTypes.h"
#include "wizard/WizardView.h"

namespace quillot::testing {

class TFakeWizardView final : public TWizardView {
 public:
  struct TControlState {
    bool Enabled = true, Visible = true, Checked = false;
    std::string Text;
    int Width = 0;
  };
  std::array<TControlState, kControlCount> Controls{};
  TControlState& operator[](TControl c) { return Controls[static_cast<size_t>(c)]; }

  std::string Caption;
  TWizardPage Page = kStartPage;
  std::vector<TDriveRow> DriveRows;
  int FocusedRow = -1;
  int DriveListFocused = 0;
  TTypesTree Tree;  // the tree as last shown
  int TreeBuilds = 0;
  int SelectedNode = -1;
  uint64_t StartSectorMin = 0, StartSectorMax = 0, StartSectorValue = 0;
  int Progress = 0;
  std::vector<std::string> Log;
  bool Busy = false;
  int LanguageQuestions = 0, Translations = 0, Abouts = 0, Attention = 0, Closes = 0, EventRuns = 0;
  bool ActiveWindow = true;
  // What the dialogs answer: the advanced dialog's OK (and what it does first), the format dialog's
  // edit (false: Cancel), the picked folder (none: Cancel).
  std::function<bool(int page)> AdvancedParameters = [](int) { return false; };
  std::function<bool(TFormat&)> FormatDialog = [](TFormat&) { return false; };
  std::optional<std::string> PickedFolder;
  std::string PickerStart;
  std::vector<std::pair<std::string, std::string>> Opened;
  std::function<void()> OnEventsRun;

  void SetEnabled(TControl c, bool enabled) override { (*this)[c].Enabled = enabled; }
  void SetVisible(TControl c, bool visible) override { (*this)[c].Visible = visible; }
  void SetText(TControl c, const std::string& text) override { (*this)[c].Text = text; }
  std::string Text(TControl c) const override { return Controls[static_cast<size_t>(c)].Text; }
  bool Checked(TControl c) const override { return Controls[static_cast<size_t>(c)].Checked; }
  void SetWidth(TControl c, int width) override { (*this)[c].Width = width; }
  void SetCaption(const std::string& caption) override { Caption = caption; }
  void ShowPage(TWizardPage page) override { Page = page; }
  void ShowDriveRows(const std::vector<TDriveRow>& rows) override {
    DriveRows = rows;
    FocusedRow = -1;
  }
  void FocusDriveList() override { ++DriveListFocused; }
  void ChooseDriveRow(int row) override { FocusedRow = row; }
  int FocusedDriveRow() const override { return FocusedRow; }
  void ShowTypesTree(const TTypesTree& tree) override {
    Tree = tree;
    ++TreeBuilds;
    SelectedNode = -1;
  }
  void ShowTypesStates(const TTypesTree& tree) override { Tree = tree; }
  void SelectTypesNode(int node) override { SelectedNode = node; }
  int SelectedTypesNode() const override { return SelectedNode; }
  void FocusTypesTree() override {}
  void SetStartSectorBounds(uint64_t min, uint64_t max) override {
    StartSectorMin = min;
    StartSectorMax = max;
  }
  uint64_t StartSector() const override { return StartSectorValue; }
  void SetStartSector(uint64_t sector) override { StartSectorValue = sector; }
  void SetProgress(int percent) override { Progress = percent; }
  void AppendLog(const std::vector<std::string>& lines) override { Log.insert(Log.end(), lines.begin(), lines.end()); }
  void SetBusy(bool busy) override { Busy = busy; }
  void ShowLanguageSelection() override { ++LanguageQuestions; }
  void TranslateWindow() override { ++Translations; }
  void ShowAbout() override { ++Abouts; }
  bool ShowAdvancedParameters(int page) override { return AdvancedParameters(page); }
  bool EditFormat(TFormat& format) override { return FormatDialog(format); }
  std::optional<std::string> PickFolder(const std::string& start) override {
    PickerStart = start;
    return PickedFolder;
  }
  void OpenFile(const std::string& file, const std::string& parameters) override {
    Opened.emplace_back(file, parameters);
  }
  bool IsActiveWindow() const override { return ActiveWindow; }
  void RequestAttention() override { ++Attention; }
  void CloseWindow() override { ++Closes; }
  void LetEventsRun() override {
    ++EventRuns;
    if (OnEventsRun) OnEventsRun();
  }
};

}  // namespace quillot::testing
