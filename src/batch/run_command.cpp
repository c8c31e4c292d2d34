// `ximora-batch run`: each file opened in a window-less editor document, the command pairs run
// through its command entry in order, an edited document saved over itself or into a folder.
// Files run in parallel unless a pair names its output from what is already on disk. "-" reads
// the files from standard input; --status prints one line per file as it finishes.
#include "batch/batch_command.h"
#include "batch/drawing_source.h"
#include "batch/terminal_progress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "editor/document/picture_document.h"
#include "editor/document/picture_facts.h"
#include "editor/document/save_questions.h"
#include "engine/codecs/registry.h"
#include "engine/core/budget_reservation.h"
#include "engine/core/parallel.h"
#include "engine/formats/format_rules.h"
#include "platform/file_names.h"
#include "settings/macro_storage.h"
#include "util/message_service.h"
#include "util/shared_values.h"

namespace ximora::batch {
namespace {

using editor::PictureDocument;

struct Pair {
    QString group, job;
};

std::mutex gOutput;
TerminalProgress* gProgress = nullptr;  // while files are worked on

// One line to `to`; the progress line, when there is one, is cleared first and drawn again.
void printLine(std::FILE* to, const std::string& line) {
    if (gProgress) return gProgress->print(to, line);
    const std::lock_guard lock(gOutput);
    std::fprintf(to, "%s\n", line.c_str());
}

// Texts go out as the bytes of their names (names that are no UTF-8 keep theirs).
void printLine(std::FILE* to, const QString& text) { printLine(to, platform::nativePath(text)); }

void printError(const QString& text) { printLine(stderr, QStringLiteral("ximora-batch: ") + text); }

// Messages of a batch run go to stderr, naming the file they concern, and are answered with
// their default; every box but an informational one marks the file as failed.
thread_local QString tCurrentFile;
thread_local bool tMessageShown = false;

class BatchMessages : public util::MessageService {
  public:
    using MessageService::message;
    util::MsgAnswer message(const util::MessageRequest& request) override {
        if (request.icon != util::MsgIcon::Information) tMessageShown = true;
        printError(tCurrentFile + QStringLiteral(": message: ") + request.text);
        return util::defaultAnswer(request);
    }
    std::optional<QString> input(const QString& prompt, const QString&,
                                 const QString& defaultText) override {
        printError(tCurrentFile + QStringLiteral(": input: ") + prompt);
        return defaultText;
    }
    QString openFile(const util::FileRequest&) override { return {}; }
    QString saveFile(const util::FileRequest&) override { return {}; }
    QString chooseFolder(const QString&, const QString&) override { return {}; }
    int runModal(QDialog&) override { return 0; }
};

bool splitPair(const QString& line, Pair& pair) {
    const qsizetype arrow = line.indexOf(QChar(0x21D2));
    if (arrow < 0) return false;
    pair = {line.left(arrow), line.mid(arrow + 1)};
    return true;
}

// The settings file is CP932 on disk; UTF-8 is accepted too.
QString readSettingsText(const QString& path, bool& ok) {
    QFile file(path);
    ok = file.open(QIODevice::ReadOnly);
    if (!ok) return {};
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    QStringDecoder cp932("Shift_JIS");
    return cp932.isValid() ? QString(cp932(bytes)) : QString::fromLocal8Bit(bytes);
}

// A macro's pairs: the lines after "[title]" up to the next title (or the end of the stored
// value), each "group⇒job"; the stored form keeps line breaks as "~".
bool macroPairs(const QString& settingsText, const QString& title, std::vector<Pair>& out) {
    const QString key = '[' + title.trimmed() + ']';
    const qsizetype start = settingsText.indexOf(key, 0, Qt::CaseInsensitive);
    if (start < 0) return false;
    qsizetype end = start + key.size();
    while (end < settingsText.size() && settingsText[end] != '[' && settingsText[end] != '<') ++end;
    QString body = settingsText.mid(start + key.size(), end - start - key.size());
    body = settings::macroListFromStored(body).replace('\r', '\n');
    for (const QString& line : body.split('\n', Qt::SkipEmptyParts)) {
        Pair pair;
        if (splitPair(line, pair)) out.push_back(pair);
    }
    return true;
}

// Pairs whose output names depend on the files already on disk run one file at a time.
bool needsOrder(const Pair& pair) {
    return pair.group == QStringLiteral("ﾌｧｲﾙ") && (pair.job.startsWith(QStringLiteral("連番")) ||
                                                    pair.job == QStringLiteral("複写して新規"));
}

struct Options {
    std::vector<Pair> pairs;
    bool trace = false;   // one line per pair on stdout: file, pair, state, colour code, size
    bool status = false;  // one line per file on stdout: file, "ok" or "failed"
    QString outDir;
    bool inPlace = false;
    bool force = false;  // replace read-only files
    QStringList files;
};

// Where the file's result goes: the file itself, or its name in the --out folder (a drawing's
// with the extension ".png").
QString outputName(const Options& options, const QString& file, bool drawing) {
    if (options.inPlace) return file;
    const QFileInfo info(file);
    const QString name =
        drawing ? info.completeBaseName() + QStringLiteral(".png") : info.fileName();
    return QDir(options.outDir).filePath(name);
}

bool processFile(const Options& options, const QString& file, editor::UndoStore::Kind undoKind) {
    tCurrentFile = file;
    tMessageShown = false;
    if (!platform::isRegularFile(file)) {
        printError(file + QStringLiteral(": error 16: ") +
                   QStringLiteral("ﾌｧｲﾙが見つからりません"));
        return false;
    }
    // A drawing is rasterised at its own size as the picture the commands work on, and written
    // as NAME.png with --out; it is never replaced by a picture.
    const bool drawing = isDrawing(platform::encodePath(file).toStdString());
    if (drawing && options.inPlace) {
        printError(file + QStringLiteral(": a drawing is not replaced by a picture; not changed "
                                         "(--out writes it as a PNG picture)"));
        return false;
    }
    // A format the program only reads is never written under its name, here or in --out.
    const std::string extension = engine::lowerExtension(platform::encodePath(file).toStdString());
    if (!drawing && engine::isReadOnlyExtension(extension)) {
        printError(file + QStringLiteral(": ") + QString::fromStdString(extension).toUpper() +
                   QStringLiteral(" files can be read but not written; not changed (ximora-batch "
                                  "convert writes it in another format)"));
        return false;
    }
    // Files in flight share the memory budget: each counts as its picture and a working copy
    // (most commands make one), and waits while the others leave too little for that.
    const engine::BudgetReservation reservation(
        2 * engine::headerRasterBytes(platform::encodePath(file).toStdString()));
    // A read-only file is replaced only when the run says so.
    const QString written = outputName(options, file, drawing);
    if (!options.force && platform::isReadOnlyFile(written)) {
        printError(written + QStringLiteral(": read-only; not changed (--force replaces it)"));
        return false;
    }
    PictureDocument doc;
    doc.start(QString(), undoKind);
    doc.setReplaceReadOnly(options.force);
    if (drawing) {
        engine::Image picture;
        std::string why;
        int skipped = 0;
        const std::string native = platform::encodePath(file).toStdString();
        if (!rasteriseDrawing(native, {}, picture, why, &skipped)) {
            printError(file + QStringLiteral(": ") + QString::fromStdString(why));
            return false;
        }
        if (skipped > 0)
            printError(QString::fromStdString(skippedRecordsLine(native, skipped)).trimmed());
        doc.takeImage(std::move(picture));
    } else {
        doc.pcOpen(0, file, true);
    }
    if (!doc.hasImage()) return false;  // the engine's message has been printed
    const int pages = editor::filePages(file);
    if (pages > 1 && options.inPlace) {
        // Saving over it would keep the first page only.
        printError(file + QStringLiteral(": has ") + QString::number(pages) +
                   QStringLiteral(" pages and only the first can be written; not changed "
                                  "(use --out to write that page to another folder)"));
        doc.stop();
        return false;
    }
    for (const Pair& pair : options.pairs) {
        doc.pcAct(pair.group, pair.job);
        if (options.trace) {
            const QString line = QStringList{file,
                                             pair.group + QChar(0x21D2) + pair.job,
                                             doc.editState(),
                                             doc.colourCode(),
                                             QString::number(doc.image().width()),
                                             QString::number(doc.image().height())}
                                     .join('\t');
            printLine(stdout, line);
        }
    }
    bool ok = !tMessageShown;
    if (doc.editState() == editor::kStateEdited || drawing) {
        QString target = options.inPlace ? QString() : written;
        const bool saved =
            options.inPlace ? doc.save(0, target, false, false) : doc.save(1, target, false, false);
        if (saved && pages > 1)
            printError(file + QStringLiteral(": 1 of ") + QString::number(pages) +
                       QStringLiteral(" pages written to ") + target);
        // Replacing the file itself asks (and is refused) before 16-bit samples are lost; a
        // copy elsewhere says so.
        engine::ImageFacts facts;
        if (saved && !options.inPlace &&
            engine::readImageFacts(platform::encodePath(file).toStdString(), facts) &&
            facts.sampleBits > 8 && !engine::currentDeepSamples(doc.image()))
            printError(file + QStringLiteral(": ") + QString::number(facts.sampleBits) +
                       QStringLiteral("-bit samples written as 8-bit to ") + target);
        ok = saved && ok;
    }
    doc.stop();
    return ok;
}

}  // namespace

int runRun(const Arguments& arguments, std::ostream&, std::ostream&) {
    QStringList args;
    // Names keep their bytes (platform/file_names.h); after "--" every argument is one.
    qsizetype namesFrom = -1;
    for (const std::string& a : arguments) {
        if (namesFrom < 0 && a == kEndOfOptions) namesFrom = args.size();
        args << platform::decodePath(a);
    }
    Options options;
    QString macroTitle, settingsPath;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (namesFrom >= 0 && i >= namesFrom) {
            if (i == namesFrom) continue;  // the "--" itself
            if (a.toStdString() != kStandardInput) {
                options.files << a;
                continue;
            }
        }
        if (a.toStdString() == kStandardInput) {
            for (const std::string& name : readNameList(std::cin))
                options.files << platform::decodePath(name);
        } else if (a == QStringLiteral("-c") && hasValue) {
            Pair pair;
            if (!splitPair(args[++i], pair)) {
                printError(QStringLiteral("not a command pair (GROUP⇒JOB): ") + args[i]);
                return 2;
            }
            options.pairs.push_back(pair);
        } else if (a == QStringLiteral("--macro") && hasValue) {
            macroTitle = args[++i];
        } else if (a == QStringLiteral("--settings") && hasValue) {
            settingsPath = args[++i];
        } else if (a == QStringLiteral("--out") && hasValue) {
            options.outDir = args[++i];
        } else if (a == QStringLiteral("--trace")) {
            options.trace = true;
        } else if (a == QStringLiteral("--status")) {
            options.status = true;
        } else if (a == QStringLiteral("--in-place")) {
            options.inPlace = true;
        } else if (a == QStringLiteral("--force")) {
            options.force = true;
        } else if (a.startsWith('-')) {
            return 2;  // main prints the usage
        } else {
            options.files << a;
        }
    }
    if (options.inPlace == !options.outDir.isEmpty() || options.files.isEmpty())
        return 2;                                                  // main prints the usage
    if (macroTitle.isEmpty() != settingsPath.isEmpty()) return 2;  // main prints the usage
    if (!macroTitle.isEmpty()) {
        bool read = false;
        const QString text = readSettingsText(settingsPath, read);
        if (!read) {
            printError(settingsPath + QStringLiteral(": cannot be read"));
            return 2;
        }
        if (!macroPairs(text, macroTitle, options.pairs)) {
            printError(QStringLiteral("no macro titled ") + macroTitle + QStringLiteral(" in ") +
                       settingsPath);
            return 2;
        }
    }
    for (const Pair& pair : options.pairs) {
        if (PictureDocument::needsWindow(pair.group, pair.job)) {
            printError(QStringLiteral("the command ") + pair.group + QChar(0x21D2) + pair.job +
                       QStringLiteral(" needs a window and cannot run here"));
            return 2;
        }
    }
    if (!options.outDir.isEmpty() && !QDir().mkpath(options.outDir)) {
        printError(options.outDir + QStringLiteral(": folder cannot be made"));
        return 2;
    }
    if (util::shared().sUsrDir.isEmpty())
        util::shared().sUsrDir = platform::decodePath(userDataFolder());

    bool undoes = false, ordered = false;
    for (const Pair& pair : options.pairs) {
        undoes = undoes || (pair.group == QStringLiteral("画像編集") &&
                            pair.job == QStringLiteral("編集を一つ戻す"));
        ordered = ordered || needsOrder(pair);
    }
    // Snapshots stay in memory: a run never outlives its documents, and many documents may be
    // open at once. Without an undo among the pairs none is kept at all.
    const auto undoKind =
        undoes ? editor::UndoStore::Kind::Memory : editor::UndoStore::Kind::CountOnly;
    const util::ScopedMessages messages(std::make_unique<BatchMessages>());

    TerminalProgress progress(stderr, size_t(options.files.size()));
    gProgress = &progress;
    std::atomic<qsizetype> next{0};
    std::atomic<bool> anyFailed{false};
    const auto worker = [&] {
        for (qsizetype i = next++; i < options.files.size(); i = next++) {
            const bool ok = processFile(options, options.files[i], undoKind);
            if (!ok) anyFailed = true;
            // A scheduler may read these lines as the files finish.
            if (options.status)
                printLine(stdout, lineSafe(platform::nativePath(options.files[i])) +
                                      (ok ? "\tok" : "\tfailed"));
            progress.advance();
        }
    };
    // Files flow through decoding, editing, encoding and the write to disk side by side, twice
    // as many as there are cores, so that while one waits for its file to reach the disk
    // another keeps a core busy. With a file per core or more, each file's own pixel loops
    // stay on its thread instead of competing for the cores.
    const int cores = engine::workerCount();
    const int threads = ordered ? 1 : int(std::min<qsizetype>(2 * cores, options.files.size()));
    if (threads >= cores && threads > 1) engine::setWorkerCount(1);
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
    engine::setWorkerCount(0);
    gProgress = nullptr;
    return anyFailed ? 1 : 0;
}

}  // namespace ximora::batch
