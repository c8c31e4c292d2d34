// Timings of the browser control, printed as "name value unit" lines:
//   browser_bench FOLDER_OF_IMAGES TREE_FOLDER USER_DATA
// FOLDER_OF_IMAGES holds the 5,000 images, TREE_FOLDER the 2,000 folders (both made by the
// bench task); thumbnail caches go to USER_DATA/Thumb.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "browser/file_list.h"
#include "browser/folder_tree.h"
#include "browser/folder_watch.h"
#include "browser/thumbnail_grid.h"
#include "browser/utrp.h"
#include "util/shared_values.h"

using ximora::browser::ThumbnailGrid;
using ximora::browser::ThumbnailSet;
using ximora::browser::uTrP;

namespace {

double residentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
    }
    return 0;
}

double milliseconds(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

/// Runs events until `done` holds.
void runUntil(const std::function<bool()>& done) {
    while (!done()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

bool firstScreenReady(ThumbnailGrid* grid) {
    const int shown = std::min(grid->count(), grid->columns() * grid->rows());
    for (int i = 0; i < shown; ++i) {
        if (grid->thumbnails().state(i) == ThumbnailSet::State::Pending) return false;
    }
    return true;
}

void expandAll(QTreeWidgetItem* item) {
    item->setExpanded(true);
    for (int i = 0; i < item->childCount(); ++i) expandAll(item->child(i));
}

void print(const char* name, double value, const char* unit) {
    std::printf("%s %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: browser_bench IMAGES TREE USER_DATA\n");
        return 2;
    }
    const QString images = QDir(argv[1]).absolutePath();
    const QString tree = QDir(argv[2]).absolutePath();
    auto& shared = ximora::util::shared();
    shared.sUsrDir = QDir(argv[3]).absolutePath() + u'/';
    QDir().mkpath(shared.sUsrDir + QStringLiteral("Thumb"));

    // The list view: selecting the folder of 5,000 images until the list is filled.
    {
        uTrP control;
        control.resize(400, 900);
        control.show();
        control.cOn(images + QStringLiteral("/.."), QString(), false, QString());
        const double ms = milliseconds([&] { control.setPath(images); });
        print("list_open_5000", ms, "ms");
        if (control.fileList()->topLevelItemCount() != 5000) return 1;
    }

    // The thumbnail view at 200 pixels, 3 × 5: the cache is made first, then a new control
    // opens the folder from the warm cache until the first screen is filled.
    // A shown control in thumbnail view, 3 × 5 thumbnails of 200 px, standing beside `images`.
    const auto startThumbnailView = [&images](uTrP& control) {
        control.resize(700, 1000);
        control.show();
        ThumbnailGrid* grid = control.grid();
        grid->setColumns(3);
        grid->setRows(5);
        grid->setThumbnailSize(200);
        control.cOn(images + QStringLiteral("/.."), QString(), false, QString());
        control.setShwThmb(true);
        return grid;
    };
    const double baseline = residentMiB();
    double peak = 0;
    {
        uTrP control;
        ThumbnailGrid* grid = startThumbnailView(control);
        const double cold = milliseconds([&] {
            control.setPath(images);
            runUntil([&] { return firstScreenReady(grid); });
        });
        print("thumbs_first_screen_cold_5000", cold, "ms");
        const double all =
            milliseconds([&] { runUntil([&] { return !grid->thumbnails().busy(); }); });
        print("thumbs_rest_cold_5000", all, "ms");
        // Scroll through the whole grid so that every picture passes through the painter.
        for (int row = 0; row < grid->count() / grid->columns(); row += grid->rows()) {
            grid->scrollRow(grid->rows());
            grid->viewport()->repaint();
        }
        peak = residentMiB();
        const QString cacheFile = grid->cacheFile();
        control.setPath(images + QStringLiteral("/.."));  // moving on writes the cache
        print("cache_file_5000_at_200", double(QFileInfo(cacheFile).size()) / 1048576, "MiB");
    }
    print("grid_memory_5000_at_200", peak - baseline, "MiB");
    {
        uTrP control;
        ThumbnailGrid* grid = startThumbnailView(control);
        double shown = 0;
        const double warm = milliseconds([&] {
            shown = milliseconds([&] { control.setPath(images); });
            runUntil([&] { return firstScreenReady(grid); });
            grid->viewport()->repaint();
        });
        print("thumbs_grid_shown_warm_5000", shown, "ms");
        print("thumbs_first_screen_warm_5000", warm, "ms");
        runUntil([&] { return !grid->thumbnails().busy(); });
    }

    // One folder-watch pass over 2,000 loaded folders, none of them changed.
    {
        uTrP control;
        control.cOn(tree, tree, false, QString());
        expandAll(control.tree()->topLevelItem(0));
        const int nodes = control.folderTree().counter();
        double total = 0, worst = 0;
        const int passes = 50;
        for (int i = 0; i < passes; ++i) {
            const double ms = milliseconds([&] { control.ChkFld(); });
            total += ms;
            worst = std::max(worst, ms);
        }
        print("chkfld_nodes", nodes, "nodes");
        print("chkfld_pass_mean", total / passes, "ms");
        print("chkfld_pass_worst", worst, "ms");
        // The timer's pass: only the copy of the node list and the handling of the (here no)
        // changed folders run on the user-interface thread; the disk is asked on a worker.
        double uiTotal = 0, uiWorst = 0;
        for (int i = 0; i < passes; ++i) {
            std::vector<int> changed;
            std::vector<ximora::browser::WatchEntry> entries;
            const double before =
                milliseconds([&] { entries = ximora::browser::watchList(control.folderTree()); });
            changed = ximora::browser::changedFolders(entries);
            const double after = milliseconds([&] {
                ximora::browser::checkFolders(
                    control.folderTree(), [] {}, changed);
            });
            uiTotal += before + after;
            uiWorst = std::max(uiWorst, before + after);
        }
        print("chkfld_ui_mean", uiTotal / passes, "ms");
        print("chkfld_ui_worst", uiWorst, "ms");
    }
    return 0;
}
