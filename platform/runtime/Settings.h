#pragma once
// The per-user settings store (application, section, key) and the INI file
// reader. Sections and keys compare without regard to case, as the
// registry's and INI files' do: "Autoupdate" and "AutoUpdate" are one value.

#include <QList>
#include <QPair>
#include <QString>

namespace Platform {

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
// Both return false, leaving the store as it was, when it could not be
// written (disk full, folder not writable, another writer holding it too long).
bool SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value);
// An empty key removes the whole section.
bool DeleteSetting(const QString& appName, const QString& section, const QString& key = QString());
QList<QPair<QString, QString>> GetAllSettings(const QString& appName, const QString& section);

// Where the store lives: $XDG_CONFIG_HOME/Brivalto unless set (tests).
QString SettingsFolder();
void SetSettingsFolder(const QString& folder);

// GetPrivateProfileString: value of key in section of file, or the default;
// the result is cut to bufferSize - 1 characters like the Windows call's.
QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, const QString& file,
                                int bufferSize = 255);
// Keeps the file's own encoding (Windows-1252 or UTF-8); refuses a value
// with a line break, or one the file's encoding cannot hold, with false.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file);

}  // namespace Platform
