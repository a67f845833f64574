#pragma once

#include <QStringList>
#include <optional>
#include <string>

class QFileDialog;
class QWidget;

// The open and save file dialogs for filters written as
// "Name|patterns|Name|patterns||" (patterns separated by ';') and the flags of
// control_ids.h (FileDialogFlag).

// Qt's name filters for such a filter, one per pair in order: the name
// without a trailing copy of its own patterns, then the patterns in
// parentheses, separated by blanks. "*.*" means every file and becomes "*".
// Pairs without patterns are left out.
QStringList QtNameFilters(const std::wstring& filter);

// Sets a dialog up to open (save false) or save a file: the name filters, the
// initial name (with its folder, if it has one that exists), must-exist and
// the overwrite question as the flags say.
void ConfigureFileDialog(QFileDialog& dialog, bool save, const std::wstring& initialName,
                         const std::wstring& filter, unsigned flags);

// Run a dialog so configured, modally over parent. Nothing when the user
// cancelled; else the chosen file's full path.
std::optional<std::wstring> OpenFileDialog(QWidget* parent, const std::wstring& initialName,
                                           const std::wstring& filter, unsigned flags);
std::optional<std::wstring> SaveFileDialog(QWidget* parent, const std::wstring& initialName,
                                           const std::wstring& filter, unsigned flags);
