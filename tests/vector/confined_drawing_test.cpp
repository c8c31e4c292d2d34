// Drawings read and painted in the confined drawing worker: the same facts, pictures,
// thumbnails and messages as in the program, and a drawing library that crashes or hangs costs
// only its own drawing.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "drawing_samples.h"
#include "engine/core/error.h"
#include "engine/sandbox/sandboxed_decoding.h"
#include "engine/thumbs/drawing_thumbnails.h"
#include "engine/thumbs/thumbnail_loader.h"
#include "vector/confined_drawing.h"
#include "vector/drawing_thumbnail.h"
#include "vector/vector_drawing.h"

using namespace ximora;

namespace {

// What a drawing gives: its facts, a painting at a chosen size, a thumbnail; or its failure.
struct Outcome {
    bool read = false;
    QSize natural;
    int skipped = 0;
    QImage painted;
    std::vector<uint8_t> thumb;
    QString error;
    int code = 0;
};

bool operator==(const Outcome& a, const Outcome& b) {
    return a.read == b.read && a.natural == b.natural && a.skipped == b.skipped &&
           a.painted == b.painted && a.thumb == b.thumb && a.error == b.error && a.code == b.code;
}

class ConfinedDrawingTest : public ::testing::Test {
  protected:
    void SetUp() override { vector::installDrawingThumbnails(); }
    void TearDown() override {
        engine::stopDecodeWorkers();
        engine::setDrawingRasteriser(nullptr);
    }

    static bool startWorkers(std::vector<std::string> environment = {}, int timeoutSeconds = 60) {
        engine::DecodeWorkerSettings settings;
        settings.program = XIMORA_DECODE_PROGRAM;
        settings.drawingProgram = XIMORA_DRAW_PROGRAM;
        settings.workers = 1;
        settings.timeoutSeconds = timeoutSeconds;
        settings.environment = std::move(environment);
        return engine::startDecodeWorkers(settings) && engine::drawsInWorkers();
    }
    // A library made to misbehave in the workers (support/hostile_decoder.cpp).
    static bool startHostileWorkers(const char* mode, int timeoutSeconds = 60) {
        // The library runs before the sanitizers' runtime, which must be told to let it.
        const char* asan = std::getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS",
               (std::string(asan ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
        return startWorkers({std::string("LD_PRELOAD=") + XIMORA_HOSTILE_DECODER,
                             std::string("XIMORA_HOSTILE=") + mode},
                            timeoutSeconds);
    }

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(test::writeFile(path, bytes));
        return path;
    }

    static Outcome outcome(const QString& path) {
        Outcome result;
        QString error;
        const auto drawing = vector::VectorDrawing::load(path, error);
        result.read = drawing != nullptr;
        result.error = error;
        result.code = engine::lastError();
        if (drawing) {
            result.natural = drawing->naturalSize();
            result.skipped = drawing->skippedRecords();
            result.painted = drawing->render(QSize(150, 70));
        }
        engine::Image thumb;
        if (engine::loadThumbnail(QFile::encodeName(path).toStdString(), 48, thumb))
            result.thumb.assign(thumb.data(), thumb.data() + thumb.stride() * thumb.height());
        return result;
    }

    QTemporaryDir dir_;
};

TEST_F(ConfinedDrawingTest, EveryKindGivesInTheWorkerWhatItGivesInTheProgram) {
    std::vector<std::pair<QString, QByteArray>> files = test::everyKindOfDrawing();
    // And ones that cannot be read: damaged, of another kind, stating no size.
    files.emplace_back(QStringLiteral("cut.svg"), QByteArray("<svg"));
    files.emplace_back(QStringLiteral("text.wmf"), QByteArray("not a metafile at all"));
    files.emplace_back(QStringLiteral("cut.sfc"),
                       QByteArray::fromStdString(test::sfcFile({test::sfcSheet()})).left(200));
    std::vector<Outcome> here;
    for (const auto& [name, bytes] : files) here.push_back(outcome(write(name, bytes)));
    ASSERT_TRUE(startWorkers());
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].first.toStdString());
        const Outcome there = outcome(dir_.filePath(files[i].first));
        EXPECT_EQ(there.read, i < 6);
        EXPECT_EQ(there.thumb.empty(), i >= 6);
        EXPECT_TRUE(there == here[i])
            << there.error.toStdString() << " / " << here[i].error.toStdString();
        QString error;
        const auto drawing = vector::VectorDrawing::load(dir_.filePath(files[i].first), error);
        if (drawing) {
            EXPECT_TRUE(dynamic_cast<const vector::ConfinedDrawing*>(drawing.get()));
        }
    }
}

TEST_F(ConfinedDrawingTest, ACrashingDrawingLibraryCostsOnlyItsDrawing) {
    const QString wmf = write(QStringLiteral("a.wmf"), test::redSquareWmf());
    const QString svg = write(QStringLiteral("d.svg"), test::everyKindOfDrawing()[3].second);
    ASSERT_TRUE(startHostileWorkers("crash"));
    QString error;
    EXPECT_FALSE(vector::VectorDrawing::load(wmf, error));
    EXPECT_EQ(engine::lastError(), engine::kErrFileBroken);
    // A segmentation fault, or the abort that reports it under AddressSanitizer.
    EXPECT_TRUE(
        error.startsWith(QStringLiteral("WMFﾌｧｲﾙが壊れています\nthe decoder stopped: signal ")))
        << error.toStdString();
    engine::Image thumb;
    EXPECT_FALSE(engine::loadThumbnail(QFile::encodeName(wmf).toStdString(), 48, thumb));
    EXPECT_EQ(engine::lastError(), engine::kErrFileBroken);
    // The next drawing gets a new worker.
    EXPECT_TRUE(engine::loadThumbnail(QFile::encodeName(svg).toStdString(), 48, thumb));
    EXPECT_TRUE(vector::VectorDrawing::load(svg, error));
}

TEST_F(ConfinedDrawingTest, AHangingDrawingLibraryIsEndedByTheWatchdog) {
    const QString wmf = write(QStringLiteral("a.wmf"), test::redSquareWmf());
    ASSERT_TRUE(startHostileWorkers("hang", 2));
    engine::Image thumb;
    EXPECT_FALSE(engine::loadThumbnail(QFile::encodeName(wmf).toStdString(), 48, thumb));
    EXPECT_EQ(engine::lastError(), engine::kErrFileBroken);
    EXPECT_EQ(engine::lastErrorDetail(), "the decoder stopped: it took longer than 2 s");
}

TEST_F(ConfinedDrawingTest, TheDrawingWorkerIsConfinedAsThePictureWorkerIs) {
    const QString made = dir_.filePath(QStringLiteral("made-by-worker"));
    const QString report = dir_.filePath(QStringLiteral("report"));
    const std::string command = "ASAN_OPTIONS=detect_leaks=0 " XIMORA_DRAW_PROGRAM " --check " +
                                QFile::encodeName(made).toStdString() + " > " +
                                QFile::encodeName(report).toStdString();
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(QFile::encodeName(report).toStdString());
    std::stringstream said;
    said << in.rdbuf();
    for (const char* refused :
         {"seccomp\ton", "write\trefused", "socket\trefused", "exec\trefused", "fork\trefused",
          "signal another process\trefused", "signal itself\tallowed", "read /etc/passwd\trefused"})
        EXPECT_NE(said.str().find(refused), std::string::npos) << refused << "\n" << said.str();
    EXPECT_FALSE(QFile::exists(made));
}

}  // namespace
