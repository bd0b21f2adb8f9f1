// What the wizard asks of a front-end: its controls by name, its pages, lists and dialogs. The Qt window
// implements it, a Windows front-end would, and the core's tests drive the wizard through a fake.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "wizard/Controls.h"
#include "wizard/DriveRows.h"
#include "wizard/TypesTree.h"

namespace quillot {

class TFormat;

class TWizardView {
 public:
  virtual ~TWizardView() = default;

  // Controls, by the names of TControl.
  virtual void SetEnabled(TControl control, bool enabled) = 0;
  virtual void SetVisible(TControl control, bool visible) = 0;
  virtual void SetText(TControl control, const std::string& text) = 0;
  virtual std::string Text(TControl control) const = 0;
  virtual bool Checked(TControl control) const = 0;
  // Pixels at 96 dots per inch.
  virtual void SetWidth(TControl control, int width) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void ShowPage(TWizardPage page) = 0;

  // The drive list: rebuilt with no focused row; the input focus given to it; a row made the focused and
  // selected one; the focused row, -1 when none.
  virtual void ShowDriveRows(const std::vector<TDriveRow>& rows) = 0;
  virtual void FocusDriveList() = 0;
  virtual void ChooseDriveRow(int row) = 0;
  virtual int FocusedDriveRow() const = 0;

  // The Types tree: rebuilt from tree (expanded), or its texts and check states shown anew; a node made
  // the selected one and shown; the selected node, -1 when none; the tree given the focus.
  virtual void ShowTypesTree(const TTypesTree& tree) = 0;
  virtual void ShowTypesStates(const TTypesTree& tree) = 0;
  virtual void SelectTypesNode(int node) = 0;
  virtual int SelectedTypesNode() const = 0;
  virtual void FocusTypesTree() = 0;

  // The Progress page: the start-sector field's bounds (equal bounds restrict nothing) and value, the
  // progress bar, lines added to the log, the busy animation.
  virtual void SetStartSectorBounds(uint64_t min, uint64_t max) = 0;
  virtual uint64_t StartSector() const = 0;
  virtual void SetStartSector(uint64_t sector) = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void AppendLog(const std::vector<std::string>& lines) = 0;
  virtual void SetBusy(bool busy) = 0;
  // The Finish page's figures have new texts: the front-end lays its lines out.
  virtual void ArrangeFinishPage() {}

  // Dialogs and the desktop. Message boxes go through TDialogs (platform/Dialogs.h).
  virtual void ShowLanguageSelection() = 0;
  // Translates the window from the loaded language file (component names, wizard/FormTexts.h).
  virtual void TranslateWindow() = 0;
  virtual void ShowAbout() = 0;
  // The Advanced Parameters dialog on page; whether OK closed it (it applied itself).
  virtual bool ShowAdvancedParameters(int page) = 0;
  // The format properties dialog on format's fields; on OK they hold the dialog's values.
  virtual bool EditFormat(TFormat& format) = 0;
  // The folder picker, starting at start when not empty; the chosen folder without a trailing delimiter.
  virtual std::optional<std::string> PickFolder(const std::string& start) = 0;
  // Opens a program, document or web address with parameters (ExecuteFile).
  virtual void OpenFile(const std::string& file, const std::string& parameters) = 0;
  virtual bool IsActiveWindow() const = 0;
  // Draws the user's eye to the window.
  virtual void RequestAttention() = 0;
  virtual void CloseWindow() = 0;
  // Repaints and lets pending events run.
  virtual void LetEventsRun() = 0;
};

}  // namespace quillot
