// Start-up and shutdown of the program, shared by the wizard and the command line.
#pragma once

namespace quillot {

// Start() runs, in order: the version facts, the drive-access layer, LoadSettings, the language file
// GlobalLanguage names (from the program folder or the user's settings folder), the format catalogue (DataStorage), the
// help viewer. Stop() undoes it in reverse: the help viewer, the catalogue (saved only when Modified), SaveSettings,
// the drive-access layer. Stop() runs once, at the latest when the object goes away; a failure there is reported to the
// user and never ends the program early.
class TLifecycle {
 public:
  TLifecycle() = default;
  ~TLifecycle() { Stop(); }
  TLifecycle(const TLifecycle&) = delete;
  TLifecycle& operator=(const TLifecycle&) = delete;

  void Start();
  void Stop();
  bool Started() const { return started_; }

 private:
  bool started_ = false;
};

}  // namespace quillot
