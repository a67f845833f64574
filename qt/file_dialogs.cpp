#include "qt/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "control/control_ids.h"
#include "qt/qt_text.h"

namespace {

QString PatternsOf(const QString& field) {
    QStringList patterns;
    for (const QString& pattern : field.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        if (!trimmed.isEmpty()) {
            patterns << (trimmed == QStringLiteral("*.*") ? QStringLiteral("*") : trimmed);
        }
    }
    return patterns.join(u' ');
}

// The name without a trailing " (patterns)" that repeats the pair's own
// patterns, which Qt shows on its own.
QString NameOf(const QString& name, const QString& patternField) {
    const QString own = QStringLiteral("(") + patternField.trimmed() + QStringLiteral(")");
    const QString trimmed = name.trimmed();
    if (trimmed.endsWith(own, Qt::CaseInsensitive)) {
        return trimmed.chopped(own.size()).trimmed();
    }
    return trimmed;
}

std::optional<std::wstring> RunFileDialog(QWidget* parent, bool save,
                                          const std::wstring& initialName,
                                          const std::wstring& filter, unsigned flags) {
    QFileDialog dialog(parent);
    ConfigureFileDialog(dialog, save, initialName, filter, flags);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return FromQString(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

}  // namespace

QStringList QtNameFilters(const std::wstring& filter) {
    const QStringList fields = QString::fromStdWString(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        const QString patterns = PatternsOf(fields[i + 1]);
        if (fields[i].isEmpty() || patterns.isEmpty()) {
            // The "||" at the end, or a pair that matches nothing.
            continue;
        }
        filters << NameOf(fields[i], fields[i + 1]) + QStringLiteral(" (") + patterns +
                       QStringLiteral(")");
    }
    return filters;
}

void ConfigureFileDialog(QFileDialog& dialog, bool save, const std::wstring& initialName,
                         const std::wstring& filter, unsigned flags) {
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode((flags & FileDialogFlag::FileMustExist) ? QFileDialog::ExistingFile
                                                               : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite,
                     (flags & FileDialogFlag::OverwritePrompt) == 0);
    const QStringList filters = QtNameFilters(filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
    }
    const QString name = ToQString(initialName);
    if (name.isEmpty()) {
        return;
    }
    const QFileInfo info(QDir::fromNativeSeparators(name));
    if (info.path() != QStringLiteral(".") && info.dir().exists()) {
        dialog.setDirectory(info.dir());
        dialog.selectFile(info.fileName());
    } else {
        dialog.selectFile(name);
    }
}

std::optional<std::wstring> OpenFileDialog(QWidget* parent, const std::wstring& initialName,
                                           const std::wstring& filter, unsigned flags) {
    return RunFileDialog(parent, false, initialName, filter, flags);
}

std::optional<std::wstring> SaveFileDialog(QWidget* parent, const std::wstring& initialName,
                                           const std::wstring& filter, unsigned flags) {
    return RunFileDialog(parent, true, initialName, filter, flags);
}
