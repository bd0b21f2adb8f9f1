// The one way core talks to a person: message boxes and questions. Core shows no windows; the GUI,
// the command line and the tests each install their own answerer.
#pragma once

#include <string>

namespace quillot {

enum class TDialogButtons { Ok, YesNo, AbortRetryIgnore };
enum class TDialogIcon { None, Information, Warning, Error, Question };
enum class TDialogAnswer { Ok, Yes, No, Abort, Retry, Ignore };

class TDialogs {
 public:
  virtual ~TDialogs() = default;
  virtual TDialogAnswer Show(const std::string& text, const std::string& caption, TDialogButtons buttons,
                             TDialogIcon icon) = 0;
};

// The answerer in use. Until one is installed, messages go to standard error and questions take
// their safe answer (No, Abort).
TDialogs& Dialogs();
// Installs an answerer (not owned) and answers the previous one; nullptr restores the default.
TDialogs* SetDialogs(TDialogs* dialogs);

}  // namespace quillot
