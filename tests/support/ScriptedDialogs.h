// Answers message boxes from a script and records what was shown.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace quillot::testing {

class TScriptedDialogs final : public TDialogs {
 public:
  struct TShown {
    std::string Text, Caption;
    TDialogButtons Buttons;
    TDialogIcon Icon;
  };

  TScriptedDialogs() : previous_(SetDialogs(this)) {}
  ~TScriptedDialogs() override { SetDialogs(previous_); }
  TScriptedDialogs(const TScriptedDialogs&) = delete;
  TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

  // Answers in order; when the script runs out, Ok for messages and Abort/No for questions.
  std::deque<TDialogAnswer> Answers;
  // Runs at every box, before it is answered.
  std::function<void(const TShown&)> OnShow;
  std::vector<TShown> Shown;

  TDialogAnswer Show(const std::string& text, const std::string& caption, TDialogButtons buttons,
                     TDialogIcon icon) override {
    Shown.push_back({text, caption, buttons, icon});
    if (OnShow) OnShow(Shown.back());
    if (!Answers.empty()) {
      TDialogAnswer a = Answers.front();
      Answers.pop_front();
      return a;
    }
    switch (buttons) {
      case TDialogButtons::Ok: return TDialogAnswer::Ok;
      case TDialogButtons::YesNo: return TDialogAnswer::No;
      case TDialogButtons::AbortRetryIgnore: return TDialogAnswer::Abort;
    }
    return TDialogAnswer::Ok;
  }

 private:
  TDialogs* previous_;
};

}  // namespace quillot::testing
