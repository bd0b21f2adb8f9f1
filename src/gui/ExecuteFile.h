// Opening a program, document, folder or web address the way the desktop would.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "wizard/Addresses.h"

namespace quillot::gui {

// The file manager's stand-in name and the maker's pages, as the wizard opens them.
using quillot::kFeedbackPage;
using quillot::kFileExplorer;
using quillot::kHomePage;

// Starts a program detached; answers whether it started. Replaceable for tests.
using TLauncher = std::function<bool(const QString& program, const QStringList& arguments)>;
// Installs a launcher (an empty one restores the real one) and answers the previous one.
TLauncher SetLauncher(TLauncher launcher);

// Opens file with the parameter text: the file manager (kFileExplorer) shows the folder the parameters
// name; a web address or document opens in its desktop application; any other file is run as a program
// with the parameters as its arguments. On failure an error box names the folder or address and why it
// could not be opened (or the program that could not be run), and the answer is false.
bool ExecuteFile(const QString& file, const QString& parameters);

}  // namespace quillot::gui
