// Timing program for the editor benchmarks; prints the best wall time in seconds.
//   editor_bench photo OUT.jpg WIDTH HEIGHT [p3]
//                                               writes a photo-like JPEG (quality 90), tagged
//                                               with a Display P3 profile if asked
//   editor_bench decode FILE RUNS               the engine's bare decode
//   editor_bench open-fit FILE RUNS [off]       uPcE opens the file and paints it fitted
//   editor_bench zoom FILE RUNS [off]           the open file painted at each zoom of the
//                                               menu, 50 % to 1000 % (12 paints)
//   editor_bench snapshot FILE FOLDER RUNS      one undo snapshot of the decoded image, written
//                                               into FOLDER (left there for comparison)
//   editor_bench open-large FILE                uPcE opens a large picture: prints the seconds
//                                               to its first fitted view (wall, and processor
//                                               time of the window's thread), the seconds until
//                                               the whole picture is in, the peak memory the
//                                               open added and the picture's raster (MiB)
// "off" paints with colour management off; otherwise it converts to an sRGB display.
#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QWindow>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "editor/document/undo_store.h"
#include "editor/upce.h"
#include "editor/view/display_colour.h"
#include "editor/view/picture_view.h"
#include "engine/codecs/registry.h"
#include "engine/colour/cicp_profile.h"
#include "engine/core/parallel.h"

using namespace ximora;

namespace {

double best(int runs, const std::function<void()>& job) {
    double fastest = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        job();
        fastest = std::min(
            fastest,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return fastest;
}

int photo(const char* path, int width, int height, bool p3) {
    engine::Image image;
    if (!image.allocate(width, height, 24)) return 1;
    engine::parallelRows(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = image.row(y);
            uint32_t noise = uint32_t(y) * 2654435761u + 1;
            for (int x = 0; x < width; ++x, p += 3) {
                const double u = double(x) / width, v = double(y) / height;
                noise = noise * 1664525u + 1013904223u;
                const int n = int(noise >> 28) - 8;
                p[0] = uint8_t(std::clamp(int(128 + 100 * std::sin(7 * u + 3 * v)) + n, 0, 255));
                p[1] = uint8_t(std::clamp(int(120 + 90 * std::sin(5 * v - 2 * u + 1)) + n, 0, 255));
                p[2] = uint8_t(std::clamp(int(110 + 80 * std::cos(11 * u * v + 2)) + n, 0, 255));
            }
        }
    });
    if (p3) image.metadata.icc = engine::iccFromCicp(12, 13);  // Display P3
    engine::SaveOptions options;
    options.format = engine::kSaveJpeg;
    options.jpegQuality = 90;
    return engine::saveImage(path, image, options) ? 0 : 1;
}

// An editor of 1280 × 800 on the offscreen platform, painting for an sRGB display, colour
// management on or off.
struct OffscreenEditor {
    OffscreenEditor(int& argc, char** argv, bool managed) : app(argc, argv) {
        editor::DisplayColour::instance().setDisplayProfile({});
        editor::DisplayColour::instance().setManaged(managed);
        editor.resize(1280, 800);
        editor.cOn(&editor, QString());
        editor.StSize();
        editor.show();
        // Until its window is exposed, a widget's repaint paints nothing.
        for (int i = 0; i < 1000 && !(editor.windowHandle() && editor.windowHandle()->isExposed());
             ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QApplication app;
    editor::uPcE editor;
};

// The process's resident memory now, and at its peak so far, in MiB.
double residentMiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1 << 20);
}
double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
}

int openLarge(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    OffscreenEditor offscreen(argc, argv, true);
    editor::uPcE& editor = offscreen.editor;
    editor.view()->viewport()->repaint();
    const double before = residentMiB();
    QElapsedTimer clock;
    clock.start();
    const auto threadSeconds = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
    };
    const double cpuStart = threadSeconds();
    editor.pcOpen(0, QString::fromLocal8Bit(argv[2]));
    editor.view()->viewport()->repaint();
    const double firstView = double(clock.nsecsElapsed()) / 1e9;
    const double firstViewCpu = threadSeconds() - cpuStart;
    editor::PictureDocument& doc = *editor.dGetImg();
    const QSize size = doc.pictureSize();
    while (doc.shownImage().width() != size.width())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    editor.view()->viewport()->repaint();
    const double whole = double(clock.nsecsElapsed()) / 1e9;
    const double raster = double(doc.shownImage().byteCount()) / (1 << 20);
    std::printf("%.3f %.3f %.3f %.1f %.1f\n", firstView, firstViewCpu, whole, peakMiB() - before,
                raster);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: editor_bench photo|decode|open-fit|zoom|open-large|snapshot ...\n");
        return 2;
    }
    const std::string mode = argv[1];
    if (mode == "photo" && (argc == 5 || argc == 6))
        return photo(argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
                     argc == 6 && std::string(argv[5]) == "p3");
    if (mode == "decode" && argc == 4) {
        std::printf("%.4f\n", best(std::atoi(argv[3]), [&] {
                        engine::Image image;
                        if (!engine::loadImage(argv[2], image)) std::exit(1);
                    }));
        return 0;
    }
    if (mode == "snapshot" && argc == 5) {
        engine::Image image;
        if (!engine::loadImage(argv[2], image)) return 1;
        editor::UndoStore store;
        store.setWorkFolder(QString::fromLocal8Bit(argv[3]) + '/');
        const double seconds = best(std::atoi(argv[4]), [&] {
            store.reset();
            QFile::remove(store.snapshotName(1));  // a fresh file every run, as cp makes one
            if (store.push(image) != editor::UndoStore::Push::Written) std::exit(1);
        });
        std::printf("%.4f %s\n", seconds, QFile::encodeName(store.snapshotName(1)).constData());
        return 0;
    }
    if (mode == "open-large" && argc == 3) return openLarge(argc, argv);
    if ((mode == "open-fit" || mode == "zoom") && (argc == 4 || argc == 5)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        const bool managed = !(argc > 4 && std::string(argv[4]) == "off");
        OffscreenEditor offscreen(argc, argv, managed);
        editor::uPcE& editor = offscreen.editor;
        const QString file = QString::fromLocal8Bit(argv[2]);
        if (mode == "open-fit") {
            std::printf("%.4f\n", best(std::atoi(argv[3]), [&] {
                            editor.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("初期化"));
                            editor.pcOpen(0, file);
                            editor.view()->viewport()->repaint();
                        }));
            return 0;
        }
        editor.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("初期化"));
        editor.pcOpen(0, file);
        const char* zooms[] = {" 50%", " 60%", " 70%", " 80%", " 90%", "100%",
                               "150%", "200%", "300%", "500%", "750%", "1000%"};
        std::printf("%.4f\n", best(std::atoi(argv[3]), [&] {
                        for (const char* zoom : zooms) {
                            editor.pcAct(QStringLiteral("拡大"), QString::fromLatin1(zoom));
                            editor.view()->viewport()->repaint();
                        }
                    }));
        return 0;
    }
    std::fprintf(stderr, "editor_bench: unknown mode %s\n", argv[1]);
    return 2;
}
