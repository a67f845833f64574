#include "qt/settings_store.h"

#include <QSettings>
#include <limits>
#include <utility>

namespace {

QString Key(const QString& section, const QString& entry) {
    return section.isEmpty() ? entry : section + '/' + entry;
}

}  // namespace

QtSettingsStore::QtSettingsStore(QString organisation, QString application)
    : organisation_(std::move(organisation)), application_(std::move(application)) {}

std::int32_t QtSettingsStore::GetProfileInt(const QString& section, const QString& entry,
                                            std::int32_t defaultValue) const {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organisation_,
                             application_);
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
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organisation_, application_);
    settings.setValue(Key(section, entry), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
