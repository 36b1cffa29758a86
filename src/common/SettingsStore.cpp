#include "common/SettingsStore.h"

#include "common/ResultText.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>
#include <QVariant>
#include <filesystem>

namespace tunewalk {

// NativeFormat is the INI file $XDG_CONFIG_HOME/Tunewalk/Tunewalk.conf on Linux (IniFormat would
// name it Tunewalk.ini) and the current user's registry key on Windows.
SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Tunewalk"),
                                             QStringLiteral("Tunewalk"))) {
    // A system-wide file under /etc/xdg would otherwise show through after deleteAll().
    m_settings->setFallbacksEnabled(false);
}

SettingsStore::SettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

static QString groupKey(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}

QString SettingsStore::get(const QString& section, const QString& key,
                           const QString& defaultValue) const {
    const QVariant value = m_settings->value(groupKey(section, key));
    if (!value.isValid()) return defaultValue;
    // Values this store wrote come back as the text they were. An unquoted "a, b" typed into the
    // file by hand is read by QSettings as a list; give it back as the text it looked like.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(u", ");
    return value.toString();
}

void SettingsStore::save(const QString& section, const QString& key, const QString& value) {
    // Stored as a QString, the INI writer quotes commas and escapes a leading '@', so the text
    // reads back unchanged rather than as a list or a serialised variant.
    m_settings->setValue(groupKey(section, key), value);
    write();
}

void SettingsStore::remove(const QString& section, const QString& key) {
    m_settings->remove(groupKey(section, key));
    write();
}

void SettingsStore::deleteAll() {
    m_settings->clear();
    write();
}

// QSettings says only that writing failed; the reason comes from trying what it does: making
// the folder, and a new file in it beside the settings file (it writes one and renames it).
void SettingsStore::write() {
    m_settings->sync();
    // A line it could not parse when it reread the file is a FormatError, not a failed write.
    if (m_settings->status() != QSettings::AccessError || !m_writeStatus) return;
    const QString file = m_settings->fileName();
    std::string reason = "the settings could not be written";
    std::error_code error;
    std::filesystem::create_directories(toFsPath(QFileInfo(file).absolutePath()), error);
    if (error) {
        reason = error.message();
    } else {
        QTemporaryFile probe(QFileInfo(file).absolutePath() + QStringLiteral("/XXXXXX"));
        if (!probe.open()) reason = probe.errorString().toStdString();
    }
    m_writeStatus = Result::failure(toNativePath(file).toStdString(), reason);
}

QString SettingsStore::location() const {
    return m_settings->fileName();
}

} // namespace tunewalk
