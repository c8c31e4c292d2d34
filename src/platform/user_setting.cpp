#include "platform/user_setting.h"

#include <QDir>
#include <QSettings>

#include "platform/ini_file.h"

namespace ximora::platform {

QString userSettingFile(const QString& application) {
    // Read XDG_CONFIG_HOME on every call: Qt's own user scope path is fixed once per process.
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config)) config = QDir::homePath() + "/.config";
    return config + "/" + application + ".ini";
}

QString userSetting(const QString& application, const QString& section, const QString& key,
                    const QString& fallback) {
    QSettings settings(userSettingFile(application), QSettings::IniFormat);
    return settings.value(section + "/" + key, fallback).toString();
}

bool saveUserSetting(const QString& application, const QString& section, const QString& key,
                     const QString& value) {
    return writeIniValues(userSettingFile(application), {{section + "/" + key, value}});
}

}  // namespace ximora::platform
