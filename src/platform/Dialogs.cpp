#include "platform/Dialogs.h"

#include <cstdio>

namespace quillot {

namespace {
class TStderrDialogs final : public TDialogs {
 public:
  TDialogAnswer Show(const std::string& text, const std::string& caption, TDialogButtons buttons,
                     TDialogIcon) override {
    if (caption.empty())
      std::fprintf(stderr, "%s\n", text.c_str());
    else
      std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    switch (buttons) {
      case TDialogButtons::Ok: return TDialogAnswer::Ok;
      case TDialogButtons::YesNo: return TDialogAnswer::No;
      case TDialogButtons::AbortRetryIgnore: return TDialogAnswer::Abort;
    }
    return TDialogAnswer::Ok;
  }
};

TStderrDialogs gDefault;
TDialogs* gCurrent = nullptr;
}  // namespace

TDialogs& Dialogs() { return gCurrent ? *gCurrent : gDefault; }

TDialogs* SetDialogs(TDialogs* dialogs) {
  TDialogs* previous = gCurrent;
  gCurrent = dialogs;
  return previous;
}

}  // namespace quillot
