#include "settingsstore.h"

#include "core/numbertext.h"

namespace soarnote {

SettingsStore::SettingsStore()
    // The native format on Linux is the INI file Soarnote/Soarnote.conf.
    : settings_(std::make_unique<QSettings>(QStringLiteral("Soarnote"), QStringLiteral("Soarnote"))) {}

SettingsStore::SettingsStore(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::StoredSection(const QString& section) const {
    const QStringList groups = settings_->childGroups();
    for (const QString& g : groups)
        if (g == section) return g;
    for (const QString& g : groups)
        if (g.compare(section, Qt::CaseInsensitive) == 0) return g;
    return section;
}

QString SettingsStore::StoredKey(const QString& storedSection, const QString& key) const {
    settings_->beginGroup(storedSection);
    const QStringList stored = settings_->childKeys();
    settings_->endGroup();
    for (const QString& k : stored)
        if (k == key) return k;
    for (const QString& k : stored)
        if (k.compare(key, Qt::CaseInsensitive) == 0) return k;
    return key;
}

QString SettingsStore::Path(const QString& section, const QString& key) const {
    const QString storedSection = StoredSection(section);
    return storedSection + QLatin1Char('/') + StoredKey(storedSection, key);
}

bool SettingsStore::Contains(const QString& section, const QString& key) const {
    return settings_->contains(Path(section, key));
}

QString SettingsStore::Text(const QString& section, const QString& key, const QString& defaultValue) const {
    const QVariant v = settings_->value(Path(section, key));
    return v.isValid() ? v.toString() : defaultValue;
}

double SettingsStore::Number(const QString& section, const QString& key, double defaultValue) const {
    const QVariant v = settings_->value(Path(section, key));
    if (!v.isValid()) return defaultValue;
    const std::optional<double> n = ParseNumber(v.toString());
    return n ? *n : defaultValue;
}

int SettingsStore::Int(const QString& section, const QString& key, int defaultValue) const {
    const double n = Number(section, key, defaultValue);
    return n >= -2147483648.0 && n <= 2147483647.0 ? static_cast<int>(n) : defaultValue;
}

QString SettingsStore::Text(const SettingKey& key) const {
    return Text(key.section, key.key, key.Default().toString());
}
int SettingsStore::Int(const SettingKey& key) const {
    return Int(key.section, key.key, key.Default().toInt());
}
double SettingsStore::Number(const SettingKey& key) const {
    return Number(key.section, key.key, key.Default().toDouble());
}

void SettingsStore::Write(const QString& section, const QString& key, const QVariant& value) {
    // Stored as text, as every value of the store is.
    QString text;
    if (value.typeId() == QMetaType::Bool)
        text = value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        text = PlainNumberText(value.toDouble());
    else
        text = value.toString();
    settings_->setValue(Path(section, key), text);
}

void SettingsStore::Remove(const QString& section, const QString& key) {
    settings_->remove(Path(section, key));
}

void SettingsStore::Sync() {
    settings_->sync();
}

} // namespace soarnote
