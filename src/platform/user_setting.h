#pragma once
// Per-user settings values (application, section, key), the counterpart of the registry of the
// original platform: an INI file "<application>.ini" in the XDG config folder.

#include <QString>

namespace ximora::platform {

/// The stored value, or `fallback` when there is none.
QString userSetting(const QString& application, const QString& section, const QString& key,
                    const QString& fallback = {});

/// Stores the value; false when the settings file cannot be written.
bool saveUserSetting(const QString& application, const QString& section, const QString& key,
                     const QString& value);

/// The settings file used for `application` (for messages and tests).
QString userSettingFile(const QString& application);

}  // namespace ximora::platform
