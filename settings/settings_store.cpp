#include "settings/settings_store.h"

#include <QSettings>
#include <QStandardPaths>
#include <limits>
#include <utility>

#include "settings/settings_place.h"

namespace {

QString Key(const QString& section, const QString& entry) {
    return section.isEmpty() ? entry : section + '/' + entry;
}

}  // namespace

QtSettingsStore::QtSettingsStore(QString configFolder, const QString& organisation,
                                 const QString& application) {
    const QString folder = configFolder + '/' + organisation;
    file_ = folder + '/' + application + QStringLiteral(".conf");
    const std::string problem =
        configFolder.isEmpty() ? std::string("there is no configuration folder")
                               : SettingsPlaceProblem(folder.toStdString(), file_.toStdString());
    if (!problem.empty()) {
        problem_ = QString::fromStdString(problem);
        memory_.emplace();
    }
}

QString QtSettingsStore::UserConfigFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

std::int32_t QtSettingsStore::GetProfileInt(const QString& section, const QString& entry,
                                            std::int32_t defaultValue) const {
    if (memory_) {
        const auto found = memory_->find(Key(section, entry));
        return found != memory_->end() ? found->second : defaultValue;
    }
    const QSettings settings(file_, QSettings::IniFormat);
    const QVariant value = settings.value(Key(section, entry));
    if (!value.isValid()) {
        return defaultValue;
    }
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    // A 32-bit value as stored in either reading: signed, or unsigned from a
    // store that keeps double words.
    if (!ok || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::uint32_t>::max()) {
        return defaultValue;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

bool QtSettingsStore::WriteProfileInt(const QString& section, const QString& entry,
                                      std::int32_t value) {
    if (memory_) {
        (*memory_)[Key(section, entry)] = value;
        return true;
    }
    QSettings settings(file_, QSettings::IniFormat);
    settings.setValue(Key(section, entry), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

std::string SettingsInMemoryWarning(const QtSettingsStore& store) {
    return "settings are kept for this run only and not saved: " + store.Problem().toStdString();
}
