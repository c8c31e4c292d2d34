#pragma once
// Sets (or unsets) an environment variable for one scope and puts the old value back after.

#include <QByteArray>
#include <QtGlobal>
#include <optional>

class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<QByteArray> value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    bool had_;
    QByteArray old_;
};
