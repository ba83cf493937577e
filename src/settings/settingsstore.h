#pragma once
// The per-user settings: named text values by section and key, kept with
// QSettings (organisation and application "Soarnote"). Sections and keys are
// found whatever their case, so a value written under "vario" is read under
// "Vario"; a write goes to the section and key already stored under another
// case, so there is never more than one of them.

#include "settingkeys.h"

#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

namespace soarnote {

class SettingsStore {
public:
    // The user's settings.
    SettingsStore();
    // Settings kept in an INI file of one's own (tests, tools).
    explicit SettingsStore(const QString& iniFile);
    ~SettingsStore();

    QString Text(const QString& section, const QString& key, const QString& defaultValue) const;
    // A number; the default when absent or not numeric.
    double Number(const QString& section, const QString& key, double defaultValue) const;
    int Int(const QString& section, const QString& key, int defaultValue) const;
    bool Contains(const QString& section, const QString& key) const;

    // A key of the settings table, with the default its reader gives.
    QString Text(const SettingKey& key) const;
    int Int(const SettingKey& key) const;
    double Number(const SettingKey& key) const;

    void Write(const QString& section, const QString& key, const QVariant& value);
    void Write(const SettingKey& key, const QVariant& value) { Write(key.section, key.key, value); }
    void Remove(const QString& section, const QString& key);
    void Sync();

    QSettings& Raw() { return *settings_; }

private:
    QString StoredSection(const QString& section) const;
    QString StoredKey(const QString& storedSection, const QString& key) const;
    QString Path(const QString& section, const QString& key) const;

    std::unique_ptr<QSettings> settings_;
};

} // namespace soarnote
