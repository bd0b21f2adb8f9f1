// What the wizard's buttons open besides its own windows.
#pragma once

namespace quillot {

// The name that stands for the desktop's file manager.
inline constexpr const char* kFileExplorer = "explorer.exe";
// The maker's pages, opened in the user's browser.
inline constexpr const char* kHomePage = "https://www.brantwick.example/quillot/";
inline constexpr const char* kFeedbackPage = "https://www.brantwick.example/quillot/feedback/";

}  // namespace quillot
