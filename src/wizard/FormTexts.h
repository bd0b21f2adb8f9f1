// Translating a window by its component names: each window's section of the language file holds keys
// built from the window's and its controls' names ("MainForm.ButtonNext.Caption"). A front-end walks its
// controls; which key each text has and what the file's value does to it are decided here.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillot {

enum class TFormTextKind { Caption, Hint, Line, Item, Column };

// The key of a text: "Form.Component.Caption", ".Hint", ".lines[i]", ".items[i]", ".Columns[i].Caption".
// component is empty for the window's own caption ("Form.Caption").
std::string FormTextKey(std::string_view form, std::string_view component, TFormTextKind kind, int index = 0);

// What the loaded language file sets a text to, read from section under key; nothing when it keeps its
// text: an empty or missing value, or for a memo line the exact default "fsdef" (an empty value blanks a
// line). Nothing when no language file is loaded.
std::optional<std::string> TranslatedFormText(const std::string& section, const std::string& key, TFormTextKind kind);

// A memo's lines with the translated ones put in: only lines that exist are replaced.
std::vector<std::string> WithTranslatedLines(std::vector<std::string> lines, const std::map<int, std::string>& changes);

}  // namespace quillot
