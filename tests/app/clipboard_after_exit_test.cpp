// Runs `ximora` on a private X server as the caller of a clipboard job does: the caller puts a
// picture on the clipboard, starts the program on PC_CP.PDAT and, once it has ended, takes the
// result from the clipboard. Without a clipboard manager the result is served by the background
// server until another program takes the clipboard; with one, the manager gets it.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstring>
#include <memory>

#include <unistd.h>

#include "app/launch_record_bytes.h"
#include "app/x11_clipboard_manager.h"

namespace {
using namespace launch_bytes;

constexpr int kWaitMs = 60000;  // bound of every wait; a healthy run takes a fraction of it

// Polls `done` until it holds or the bounded wait is over.
template <typename Condition>
bool eventually(Condition done) {
    const QDeadlineTimer deadline(kWaitMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QThread::msleep(20);
    }
    return true;
}

// A picture whose every pixel differs, so that any mix-up of rows, columns or channels shows.
QImage patternPicture() {
    QImage picture(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, qRgb(30 * x, 40 * y, 77));
    return picture;
}

// What the program's "回転⇒右90度" makes of it.
QImage turnedRight(const QImage& picture) {
    return picture.transformed(QTransform().rotate(90)).convertToFormat(QImage::Format_RGB32);
}

void expectSamePixels(const QImage& actual, const QImage& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            ASSERT_EQ(actual.pixel(x, y) & 0xffffff, expected.pixel(x, y) & 0xffffff)
                << "at " << x << "," << y;
}

class ClipboardAfterExit : public ::testing::Test {
  protected:
    void SetUp() override {
        // The programs in a private folder: the servers found by their path are this test's.
        const QString from = QCoreApplication::applicationDirPath() + "/";
        for (const char* name : {"ximora", "ximora-clipboard", "ximora-decode"}) {
            const QString target = bin_.path() + "/" + name;
            if (::link(QFile::encodeName(from + name).constData(),
                       QFile::encodeName(target).constData()) != 0) {
                ASSERT_TRUE(QFile::copy(from + name, target)) << name;
            }
        }
        ASSERT_NO_FATAL_FAILURE(startXServer());
        ASSERT_FALSE(xclip({"-version"}).isNull())
            << "xclip cannot be run: scripts/install-deps installs the package xclip";
    }

    // A private X server on a display far above those people pick by hand (so that no stray
    // program of theirs meets this one); a display in use makes Xvfb give up, and the next
    // number is tried. With -displayfd it tells the number once it accepts connections.
    void startXServer() {
        for (int attempt = 0; attempt < 20; ++attempt) {
            const QByteArray number =
                QByteArray::number(1000 + QRandomGenerator::global()->bounded(30000));
            xvfb_.start("Xvfb", {":" + number, "-displayfd", "1", "-nolisten", "tcp", "-screen",
                                 "0", "320x240x24"});
            ASSERT_TRUE(xvfb_.waitForStarted())
                << "Xvfb cannot be started: scripts/install-deps installs the package xvfb";
            ASSERT_TRUE(eventually([this] {
                xvfb_.waitForReadyRead(50);
                return xvfb_.canReadLine() || xvfb_.state() != QProcess::Running;
            }));
            if (xvfb_.readLine().trimmed() == number) {
                display_ = ":" + number;
                return;
            }
            xvfb_.kill();
            xvfb_.waitForFinished();
        }
        FAIL() << "Xvfb did not start: " << xvfb_.readAllStandardError().toStdString();
    }

    void TearDown() override {
        for (const pid_t pid : serverPids()) ::kill(pid, SIGKILL);
        // Asked first, so that Xvfb removes its lock file and socket.
        for (QProcess* process : {&owner_, &xvfb_}) {
            process->terminate();
            if (!process->waitForFinished(5000)) process->kill();
            process->waitForFinished();
        }
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                                 "WAYLAND_DISPLAY", "SESSION_MANAGER", "XIMORA_AUTORUN"})
            env.remove(name);
        env.insert("HOME", home_.path());
        env.insert("DISPLAY", display_);
        env.insert("QT_QPA_PLATFORM", "xcb");
        QDir().mkpath(home_.path() + "/run");
        QFile::setPermissions(home_.path() + "/run",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert("XDG_RUNTIME_DIR", home_.path() + "/run");
        return env;
    }

    // xclip's standard output, or a null array when it could not run or failed.
    QByteArray xclip(const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start("xclip", arguments);
        if (!process.waitForFinished(kWaitMs) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        const QByteArray out = process.readAllStandardOutput();
        return out.isNull() ? QByteArray("") : out;
    }
    QByteArray clipboard(const char* target) {
        return xclip({"-selection", "clipboard", "-t", target, "-o"});
    }

    // Another program (xclip, kept in the foreground) takes the clipboard with `bytes`.
    void takeClipboard(const QByteArray& bytes, const char* target) {
        owner_.kill();
        owner_.waitForFinished();
        owner_.setProcessEnvironment(environment());
        owner_.setProcessChannelMode(QProcess::MergedChannels);
        owner_.start("xclip", {"-quiet", "-selection", "clipboard", "-t", target, "-i"});
        ASSERT_TRUE(owner_.waitForStarted());
        owner_.write(bytes);
        ASSERT_TRUE(owner_.waitForBytesWritten(kWaitMs));
        owner_.closeWriteChannel();
        ASSERT_TRUE(eventually([&] { return clipboard(target) == bytes; })) << describeOwner();
    }

    std::string describeOwner() {
        owner_.waitForReadyRead(100);
        return "xclip " + std::string(owner_.state() == QProcess::Running ? "runs" : "ended") +
               ": " + owner_.readAll().toStdString() +
               (xvfb_.state() == QProcess::Running ? "" : "; Xvfb ended");
    }

    void offerPicture(const QImage& picture) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(picture.save(&buffer, "PNG"));
        takeClipboard(png, "image/png");
    }

    // Runs the clipboard job: the picture on the clipboard is turned right and returned.
    QString runClipboardJob() {
        launch_ = home_.path() + "/PC_CP.PDAT";
        writeAll(launch_, single(0) + single(0) + i16(0) + i16(0));
        const QString script = home_.path() + "/script.txt";
        writeAll(script, "回転⇒右90度\n取込⇒選択\n");
        QProcessEnvironment env = environment();
        env.insert("XIMORA_AUTORUN", script);
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(home_.path());
        program.start(bin_.path() + "/ximora", {launch_});
        if (!program.waitForFinished(kWaitMs)) {
            program.kill();
            program.waitForFinished();
            return "did not end";
        }
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        if (program.exitStatus() != QProcess::NormalExit || program.exitCode() != 0)
            return "ended with " + QString::number(program.exitCode()) + ": " + errors;
        return errors.contains("ximora:") ? errors : QString();
    }

    // The background servers started from this test's private folder.
    QList<pid_t> serverPids() const {
        const QString server = QFileInfo(bin_.path() + "/ximora-clipboard").canonicalFilePath();
        QList<pid_t> pids;
        for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
            bool number = false;
            const pid_t pid = entry.toInt(&number);
            const QString exe = QFile::symLinkTarget("/proc/" + entry + "/exe");
            if (number && exe == server && !isZombie(pid)) pids.append(pid);
        }
        return pids;
    }
    static bool isZombie(pid_t pid) {
        QFile stat(QString("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) return true;
        const QByteArray text = stat.readAll();
        return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
    }

    QTemporaryDir bin_;
    QTemporaryDir home_;
    QProcess xvfb_;
    QProcess owner_;  // the program that holds the clipboard before the job
    QByteArray display_;
    QString launch_;
};

}  // namespace

TEST_F(ClipboardAfterExit, ResultStaysUntilAnotherProgramTakesTheClipboard) {
    const QImage picture = patternPicture();
    ASSERT_NO_FATAL_FAILURE(offerPicture(picture));
    ASSERT_EQ(runClipboardJob(), QString());
    EXPECT_EQ(readAll(launch_), single(0) + single(0) + i16(0) + i16(-1));

    // Read at once, as a caller does: the program has ended and the result is there.
    const QImage result = QImage::fromData(clipboard("image/png"), "PNG");
    expectSamePixels(result, turnedRight(picture));
    const QByteArray targets = clipboard("TARGETS");
    for (const char* format : {"image/png", "application/x-qt-image", "image/bmp"})
        EXPECT_TRUE(targets.contains(format)) << format << " missing from " << targets.data();

    // One server, detached: its own session, no terminal or pipe of the caller, no file of the
    // program's, no folder in use.
    const QList<pid_t> servers = serverPids();
    ASSERT_EQ(servers.size(), 1);
    const QString proc = QString("/proc/%1/").arg(servers.first());
    EXPECT_NE(::getsid(servers.first()), ::getsid(0));
    EXPECT_EQ(QFile::symLinkTarget(proc + "cwd"), "/");
    for (const QString& fd : QDir(proc + "fd").entryList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(proc + "fd/" + fd);
        if (fd.toInt() <= 2) {
            EXPECT_EQ(target, "/dev/null") << fd.toStdString();
        }
        EXPECT_FALSE(target.startsWith(home_.path())) << target.toStdString();
    }

    // Another program takes the clipboard: the server ends by itself.
    ASSERT_NO_FATAL_FAILURE(takeClipboard("text", "UTF8_STRING"));
    EXPECT_TRUE(eventually([this] { return serverPids().isEmpty(); }));
    EXPECT_EQ(clipboard("UTF8_STRING"), "text");
}

TEST_F(ClipboardAfterExit, ClipboardManagerTakesTheResultAndNoServerStarts) {
    X11ClipboardManager manager(display_);
    ASSERT_TRUE(manager.ready());
    const QImage picture = patternPicture();
    ASSERT_NO_FATAL_FAILURE(offerPicture(picture));
    ASSERT_EQ(runClipboardJob(), QString());

    // The program waited for the manager before it ended: the manager holds the result.
    expectSamePixels(QImage::fromData(manager.saved(), "PNG"), turnedRight(picture));
    EXPECT_TRUE(serverPids().isEmpty());
}

TEST_F(ClipboardAfterExit, PictureTooLargeForTheManagerIsServedInstead) {
    // Qt gives a manager each format in one request (16 MB on this server): a picture of 17.6 MB
    // would be lost there.
    X11ClipboardManager manager(display_);
    ASSERT_TRUE(manager.ready());
    QImage picture(2200, 2000, QImage::Format_RGB32);
    picture.fill(qRgb(10, 20, 30));
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(2199, 1999, qRgb(0, 0, 255));
    ASSERT_NO_FATAL_FAILURE(offerPicture(picture));
    ASSERT_EQ(runClipboardJob(), QString());

    const QImage result = QImage::fromData(clipboard("image/png"), "PNG");
    ASSERT_EQ(result.size(), QSize(2000, 2200));
    EXPECT_EQ(result.pixel(1999, 0) & 0xffffff, 0xff0000u);
    EXPECT_EQ(result.pixel(0, 2199) & 0xffffff, 0x0000ffu);
    EXPECT_EQ(serverPids().size(), 1);
    EXPECT_TRUE(manager.saved().isEmpty());
}
