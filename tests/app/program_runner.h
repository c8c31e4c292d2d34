#pragma once
// Runs build*/bin/ximora itself in automation mode with a private, empty home, as a calling
// program would; a test may inject a fault into the child (a file-size limit) before it starts.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>

#include <unistd.h>

#include "app/launch_record_bytes.h"

namespace ximora::testing {

struct Result {
    int exitCode = -1;
    QString errors;  // stderr
};

// The program, linked (or copied) into a private folder once, so that the pointer file
// "UserData.ini" beside it is the tests' own and never one a developer left in build*/bin.
inline QString placeProgram(const QString& folder, const QString& name) {
    const QString original = QCoreApplication::applicationDirPath() + "/ximora";
    const QString target = folder + "/" + name;
    QDir().mkpath(folder);
    if (::link(QFile::encodeName(original).constData(), QFile::encodeName(target).constData()) != 0)
        QFile::copy(original, target);
    return target;
}

inline const QString& privateProgram() {
    static QTemporaryDir folder;
    static const QString program = placeProgram(folder.path(), "ximora");
    return program;
}

class ProgramRun : public ::testing::Test {
  protected:
    QString home() const { return home_.path(); }
    QString userData() const { return home() + "/.local/share/Quorvel/ximora/"; }

    /// Runs the program with `arguments` and the automation script `script`; `inChild` runs in
    /// the child process just before the program starts.
    Result run(const QStringList& arguments, const QStringList& script,
               const QString& dataHome = {}, const QString& program = {},
               const std::function<void()>& inChild = {}) {
        const QString scriptFile = home() + "/script.txt";
        launch_bytes::writeAll(scriptFile, script.join("\n").toUtf8() + "\n");
        QProcessEnvironment env = environment(dataHome);
        env.insert("XIMORA_AUTORUN", scriptFile);
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(home());
        if (inChild) process.setChildProcessModifier(inChild);
        process.start(program.isEmpty() ? privateProgram() : program, arguments);
        Result result;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            result.errors = "did not end";
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        result.errors = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    /// The environment of a run: the private home, offscreen, and extraEnvironment_.
    QProcessEnvironment environment(const QString& dataHome = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                                 "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
            env.remove(name);
        env.insert("HOME", home());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QDir().mkpath(home() + "/run");
        QFile::setPermissions(home() + "/run",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert("XDG_RUNTIME_DIR", home() + "/run");
        if (!dataHome.isEmpty()) env.insert("XDG_DATA_HOME", dataHome);
        for (auto [name, value] : extraEnvironment_.asKeyValueRange()) env.insert(name, value);
        return env;
    }

    QTemporaryDir home_;
    QMap<QString, QString> extraEnvironment_;  // set for the runs that follow
};

}  // namespace ximora::testing
