// The timing trace of the window, read as a benchmark reads it: the program itself runs with
// XIMORA_TRACE and is ended once the picture is on screen.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QThread>

#include "app/program_runner.h"

using ximora::testing::privateProgram;
using ximora::testing::ProgramRun;

namespace {

struct Line {
    long long ms = -1;
    QString event, detail;
};

QList<Line> readTrace(const QString& file) {
    QFile trace(file);
    QList<Line> lines;
    if (!trace.open(QIODevice::ReadOnly)) return lines;
    for (const QByteArray& text : trace.readAll().split('\n')) {
        if (text.isEmpty()) continue;
        const QList<QByteArray> fields = text.split('\t');
        Line line;
        bool number = false;
        if (fields.size() == 3) line.ms = fields[0].toLongLong(&number);
        if (!number) line.ms = -1;  // a malformed line fails the checks below
        line.event = QString::fromUtf8(fields.value(1));
        line.detail = QString::fromUtf8(fields.value(2));
        lines.append(line);
    }
    return lines;
}

class TimingTrace : public ProgramRun {};

TEST_F(TimingTrace, RecordsTheWaitFromTheStartToThePictureOnScreenInOrder) {
    QDir().mkpath(home() + "/pics");
    const QString picture = home() + "/pics/a.png";
    ASSERT_TRUE(QImage(640, 480, QImage::Format_RGB32).save(picture));
    const QString traceFile = home() + "/trace.txt";
    extraEnvironment_.insert("XIMORA_TRACE", traceFile);

    QProcess process;
    process.setProcessEnvironment(environment());
    process.setWorkingDirectory(home());
    process.start(privateProgram(), {picture});
    QElapsedTimer waited;
    waited.start();
    QList<Line> lines;
    const auto painted = [&] {
        lines = readTrace(traceFile);
        return std::any_of(lines.begin(), lines.end(),
                           [](const Line& line) { return line.event == "picture-painted"; });
    };
    while (!painted() && waited.elapsed() < 60000) QThread::msleep(50);
    process.kill();
    process.waitForFinished();

    QStringList events;
    long long before = 0;
    for (const Line& line : lines) {
        EXPECT_GE(line.ms, before) << line.event.toStdString();  // whole lines, a steady clock
        before = line.ms;
        events << line.event;
        if (line.event.startsWith("picture-")) {
            EXPECT_EQ(line.detail, picture);
        }
    }
    const auto at = [&](const char* event) { return events.indexOf(event); };
    ASSERT_GE(at("picture-painted"), 0) << events.join(' ').toStdString();
    EXPECT_EQ(at("start"), 0);
    EXPECT_LT(at("start"), at("window-shown"));
    EXPECT_LT(at("picture-requested"), at("first-view-painted"));
    EXPECT_LE(at("first-view-painted"), at("picture-painted"));
    EXPECT_EQ(events.count("picture-painted"), 1);  // later paints of the same picture are not
    EXPECT_GT(lines.first().ms, 0);  // counted from the process's start, libraries loaded
}

}  // namespace
