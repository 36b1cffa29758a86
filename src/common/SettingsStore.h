#pragma once

#include "common/Result.h"

#include <QString>
#include <memory>

class QSettings;

namespace tunewalk {

// The per-user settings of the program: string values by section and key. Values are written
// through at once, so a setting toggled a moment before a crash or a logout is not lost.
class SettingsStore {
public:
    // The user's own store: $XDG_CONFIG_HOME/Tunewalk/Tunewalk.conf on Linux, the registry on
    // Windows.
    SettingsStore();
    // A store in the given INI file (tests, and the benchmark).
    explicit SettingsStore(const QString& iniFile);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    QString get(const QString& section, const QString& key, const QString& defaultValue) const;
    void save(const QString& section, const QString& key, const QString& value);
    void remove(const QString& section, const QString& key);
    // Removes every section of the program's entry.
    void deleteAll();

    // Where the values live (the file of the INI store).
    QString location() const;
    // Whether every write so far landed: ok, or the settings file and the system's reason (a
    // change that failed stays pending, so the failure is kept).
    Result writeStatus() const { return m_writeStatus; }

    // The sections the program keeps its values in, and the text its callers read as "no value".
    static inline const QString Settings = QStringLiteral("Settings");
    static inline const QString Position = QStringLiteral("Position");
    static inline const QString None = QStringLiteral("none");

    static QString yesNo(bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); }

private:
    void write();

    std::unique_ptr<QSettings> m_settings;
    Result m_writeStatus = Result::ok();
};

} // namespace tunewalk
