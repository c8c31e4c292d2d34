// Runs the built ximora-batch program (beside this test in the bin folder) as a user would.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "engine/codecs/registry.h"
#include "engine/core/image.h"
#include "engine/test_images.h"
#include "support/vector_files.h"
#include "vector/sxf_files.h"

namespace fs = std::filesystem;
using namespace ximora::engine;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

class BatchCli : public ::testing::Test {
  protected:
    void SetUp() override {
        program_ = fs::read_symlink("/proc/self/exe").parent_path() / "ximora-batch";
        if (!fs::exists(program_)) GTEST_SKIP() << "ximora-batch is not built";
        folder_ = fs::temp_directory_path() / ("ximora-batch-cli-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // `shellLimits` runs in the shell before the program (ulimit settings).
    Outcome run(const std::string& arguments, const std::string& shellLimits = "") const {
        const fs::path out = folder_ / "stdout", err = folder_ / "stderr";
        // No display: the program must not need one.
        const std::string command = shellLimits + "env -u DISPLAY -u WAYLAND_DISPLAY " +
                                    program_.string() + " " + arguments + " >" + out.string() +
                                    " 2>" + err.string();
        Outcome result;
        const int raw = std::system(command.c_str());
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = slurp(out);
        result.err = slurp(err);
        return result;
    }
    static std::string slurp(const fs::path& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string file(const std::string& name) const { return (folder_ / name).string(); }
    void writeImage(const std::string& name, int bits, int dpi, int format = kSaveBmp) const {
        Image image;
        image.allocateZeroed(7, 5, bits);
        if (bits <= 8) image.palette = greyPalette(bits == 1 ? 1 : bits);
        if (bits == 8) image.setGrey(true);
        image.dpiX = image.dpiY = dpi;
        SaveOptions options;
        options.format = format;
        ASSERT_TRUE(saveImage(file(name), image, options));
    }

    fs::path program_, folder_;
};

}  // namespace

TEST_F(BatchCli, InfoPrintsOneLinePerFileAndReportsFailures) {
    writeImage("grey.bmp", 8, 300);
    writeImage("deep.bmp", 32, 0);
    Outcome r = run(file("grey.bmp") + " " + file("deep.bmp"));
    EXPECT_EQ(r.status, 2);  // no subcommand name
    r = run("info " + file("grey.bmp") + " " + file("deep.bmp"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, file("grey.bmp") + "\t7\t5\t80.\t300\t300\tbmp\n" + file("deep.bmp") +
                         "\t7\t5\t32.\t0\t0\tbmp\n");
    r = run("info " + file("missing.png") + " " + file("grey.bmp"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, file("missing.png") + ": error 16: ﾌｧｲﾙが見つからりません\n");
    EXPECT_EQ(r.out, file("grey.bmp") + "\t7\t5\t80.\t300\t300\tbmp\n");
}

TEST_F(BatchCli, ConvertWritesTheTargetFormatWithItsColourRule) {
    writeImage("deep.bmp", 32, 96);
    Outcome r = run("convert --quality 90 " + file("deep.bmp") + " " + file("out.pcx"));
    EXPECT_EQ(r.status, 0) << r.err;
    r = run("info " + file("out.pcx"));
    EXPECT_EQ(r.out, file("out.pcx") + "\t7\t5\t24.\t96\t96\tpcx\n");
    r = run("convert " + file("deep.bmp") + " " + file("out.fpx"));
    EXPECT_EQ(r.status, 0) << r.err;
    r = run("info " + file("out.fpx"));
    EXPECT_EQ(r.out, file("out.fpx") + "\t7\t5\t24.\t96\t96\tfpx\n");
    r = run("convert --quality 101 " + file("deep.bmp") + " " + file("x.jpg"));
    EXPECT_EQ(r.status, 2);
}

// Drawings go through the viewer's vector layer: at their own size, at a size or a resolution,
// on white; info gives their size. Needs no display.
TEST_F(BatchCli, ConvertRasterisesDrawingsAndInfoGivesTheirSize) {
    const auto write = [&](const std::string& name, const QByteArray& bytes) {
        QFile out(QString::fromStdString(file(name)));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    };
    write("square.wmf", ximora::test::redSquareWmf());
    write("square.emf", ximora::test::redSquareEmf());
    write("lines.dxf", ximora::test::lineAndCircleDxf());
    write("box.svg",
          "<svg xmlns='http://www.w3.org/2000/svg' width='60' height='30'>"
          "<rect x='0' y='0' width='30' height='30' fill='#c86432'/></svg>");
    // Trusted pictures or not, drawings are read by the drawing worker.
    for (const std::string trust : {"", "--no-sandbox "}) {
        const Outcome r = run(trust + "info " + file("square.wmf") + " " + file("box.svg"));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, file("square.wmf") + "\t200\t100\t24.\t96\t96\twmf\n" + file("box.svg") +
                             "\t60\t30\t24.\t96\t96\tsvg\n");
    }
    Outcome r;
    for (const std::string source : {"square.wmf", "square.emf", "box.svg"}) {
        r = run("convert " + file(source) + " " + file("out.png"));
        ASSERT_EQ(r.status, 0) << source << ": " << r.err;
        Image image;
        ASSERT_TRUE(loadImage(file("out.png"), image)) << source;
        EXPECT_EQ(image.bitsPerPixel(), 24);
        const Colour left = image.pixel(image.width() / 4, image.height() / 2);
        const Colour right = image.pixel(image.width() * 3 / 4, image.height() / 2);
        EXPECT_GT(left.r, 150) << source;
        EXPECT_LT(left.g, 120) << source;
        EXPECT_EQ(right, (Colour{255, 255, 255, 255})) << source;  // on white
    }
    r = run("convert --size 400x50 " + file("lines.dxf") + " " + file("lines.bmp"));
    EXPECT_EQ(r.status, 0) << r.err;
    r = run("info " + file("lines.bmp"));
    EXPECT_EQ(r.out, file("lines.bmp") + "\t400\t50\t24.\t96\t96\tbmp\n");
    r = run("convert --dpi 192 " + file("square.wmf") + " " + file("big.png"));
    EXPECT_EQ(r.status, 0) << r.err;
    r = run("info " + file("big.png"));
    EXPECT_EQ(r.out, file("big.png") + "\t400\t200\t24.\t192\t192\tpng\n");

    // A drawing read in part is drawn, and the run says how much was left out.
    write("part.sfc", QByteArray::fromStdString(ximora::test::sfcFile(
                          {"line_feature('1','1','1','1','10.0','100.0','100.0','100.0')",
                           "future_feature('1')", ximora::test::sfcSheet()})));
    r = run("convert " + file("part.sfc") + " " + file("part.png"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, file("part.sfc") + ": drawn without 1 record it could not read\n");

    // Bad sizes, size options for a picture, a damaged drawing, a drawing as the target.
    EXPECT_EQ(run("convert --size 0x5 " + file("box.svg") + " " + file("x.png")).status, 2);
    EXPECT_EQ(run("convert --dpi x " + file("box.svg") + " " + file("x.png")).status, 2);
    EXPECT_EQ(run("convert --dpi 300 " + file("big.png") + " " + file("x.png")).status, 2);
    write("broken.svg", "<svg");
    r = run("convert " + file("broken.svg") + " " + file("x.png"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(file("broken.svg") + ": "), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(file("x.png")));
    EXPECT_EQ(run("convert " + file("box.svg") + " " + file("copy.svg")).status, 1);
    EXPECT_FALSE(fs::exists(file("copy.svg")));
}

// A decoder that crashes takes only its file with it: the others are read and the program
// ends normally, naming the file and why. With --no-sandbox the crash is the program's.
TEST_F(BatchCli, ACrashingDecoderFailsOnlyItsFileUnlessDecodingInProcess) {
    writeImage("a.png", 24, 72);
    writeImage("c.png", 24, 72);
    Image picture;
    picture.allocateZeroed(16, 16, 24);
    ASSERT_TRUE(saveImage(file("b.jpg"), picture, {.format = kSaveJpeg}));
    const std::string hostile = std::string("LD_PRELOAD=") + XIMORA_HOSTILE_DECODER +
                                " XIMORA_HOSTILE=crash ASAN_OPTIONS=$ASAN_OPTIONS:"
                                "verify_asan_link_order=0 ";
    const std::string files = file("a.png") + " " + file("b.jpg") + " " + file("c.png");
    // The headers alone are read without harm: it is the picture's decode that crashes.
    Outcome r = run("info " + files, "export " + hostile + "; ");
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* name : {"a.png", "b.jpg", "c.png"})
        EXPECT_NE(r.out.find(file(name) + "\t"), std::string::npos) << r.out;
    r = run("convert " + file("b.jpg") + " " + file("b.bmp"), "export " + hostile + "; ");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(file("b.jpg") + ": error 17: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the decoder stopped: signal "), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(file("b.bmp")));
    r = run("convert " + file("a.png") + " " + file("a.bmp"), "export " + hostile + "; ");
    EXPECT_EQ(r.status, 0) << r.err;
    r = run("--no-sandbox convert " + file("b.jpg") + " " + file("b.bmp"),
            "export " + hostile + "; ");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err.find(file("b.jpg") + ": error"), std::string::npos)
        << "the crash ends the program before it can say anything";
}

// A limit on the size of the files a process writes (ulimit -f, a service's LimitFSIZE) fails
// the save like a full disk, with its reason, instead of ending the program.
TEST_F(BatchCli, AFileSizeLimitFailsTheSaveWithItsReasonAndKeepsTheOldFile) {
    Image noise;
    noise.allocateZeroed(300, 200, 24);  // 180 KB in every format: nothing to compress
    uint32_t state = 2463534242u;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width() * 3; ++x) {
            state ^= state << 13, state ^= state >> 17, state ^= state << 5;
            noise.row(y)[x] = uint8_t(state);
        }
    ASSERT_TRUE(saveImage(file("noise.bmp"), noise, SaveOptions{}));
    for (const std::string target : {"old.bmp", "old.jpg", "old.png"}) {
        std::ofstream(file(target)) << "old";
        // 16 blocks: 8 or 16 KB, as the shell counts them.
        const Outcome r =
            run("convert " + file("noise.bmp") + " " + file(target), "ulimit -f 16; ");
        EXPECT_EQ(r.status, 1) << target;
        EXPECT_NE(r.err.find("ﾌｧｲﾙｻｲｽﾞの上限を超えています"), std::string::npos) << r.err;
        EXPECT_EQ(slurp(file(target)), "old");
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"noise.bmp", "old.bmp", "old.jpg", "old.png",
                                               "stderr", "stdout"}));
}

// ximora-batch carries the engine alone: reading pictures and drawings, trusted or not, it maps
// neither Qt's GUI side nor D-Bus nor a drawing library (drawings go to the drawing worker), and
// `run` is handed to the program beside it that carries the editor.
TEST_F(BatchCli, TheBatchProgramMapsNeitherQtsGuiSideNorTheDrawingLibraries) {
    writeImage("grey.bmp", 8, 300);
    std::ofstream(file("box.svg"))
        << "<svg xmlns='http://www.w3.org/2000/svg' width='60' height='30'/>";
    for (const std::string trust : {"", "--no-sandbox "}) {
        SCOPED_TRACE(trust);
        const Outcome r =
            run(trust + "info " + file("grey.bmp") + " " + file("box.svg"), "LD_DEBUG=files ");
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_NE(r.out.find(file("box.svg") + "\t60\t30\t"), std::string::npos) << r.out;
        // The loader's lines begin with the process id; the first is this program's own (the
        // workers' follow theirs).
        const auto process = [](const std::string& line) {
            const size_t digits = line.find_first_not_of(" \t");
            const size_t colon = line.find(':');
            return digits < colon && colon != std::string::npos
                       ? line.substr(digits, colon - digits)
                       : std::string();
        };
        std::istringstream lines(r.err);
        std::string line;
        std::getline(lines, line);
        const std::string self = process(line);
        ASSERT_FALSE(self.empty()) << r.err;
        std::string mapped;
        while (std::getline(lines, line))
            if (process(line) == self && line.find("file=") != std::string::npos)
                mapped += line + "\n";
        EXPECT_NE(mapped.find("libQt6Core.so"), std::string::npos) << mapped;
        for (const char* library : {"libQt6Gui.so", "libQt6Widgets.so", "libQt6PrintSupport.so",
                                    "libQt6DBus.so", "libxcb.so", "librsvg-2.so", "libwmf",
                                    "libdxflib.so", "libemf2svg.so", "libcairo.so"})
            EXPECT_EQ(mapped.find(library), std::string::npos) << library;
    }
}

// The libraries the codecs open the first time a file of their format is met, each with a
// file that needs it and the extension its format is written with (nullptr: read only), and a
// file of another format that needs it too (libtiff links libwebp).
struct OpenedLibrary {
    const char* name;
    const char* file;  ///< under the test data
    const char* written;
    const char* alsoNeeding = nullptr;
};
constexpr OpenedLibrary kOpenedLibraries[] = {
    {"libtiff", "tiled.tif", "tif"},
    {"libwebp", "modern-formats/photo-q90.webp", "webp", "tiled.tif"},
    {"libopenjp2", "tiled.j2k", "jp2"},
    {"libwebpdemux", "modern-formats/photo-q90.webp", "webp"},
    {"libwebpmux", "modern-formats/photo-q90.webp", "webp"},
    {"libheif", "modern-formats/photo-q90.heic", nullptr},
    {"libavif", "modern-formats/photo-q.avif", nullptr},
    {"libjxl", "modern-formats/photo-d1.jxl", nullptr},
    {"libjxl_threads", "modern-formats/photo-d1.jxl", nullptr},
};

// Each library (with the codecs and helpers it brings) is mapped only when a file of its format
// is met; without it, files of its format are files the program cannot read or write (error
// 4), and every other format works.
TEST_F(BatchCli, OpenedLibrariesAreMappedOnlyForTheirFormatsAndTheirAbsenceOnlyLosesThem) {
    writeImage("grey.bmp", 8, 300);
    writeImage("grey.jpg", 8, 300, kSaveJpeg);
    Outcome r = run("info " + file("grey.bmp") + " " + file("grey.jpg"), "LD_DEBUG=libs ");
    EXPECT_EQ(r.status, 0);
    for (const OpenedLibrary& library : kOpenedLibraries)
        EXPECT_EQ(r.err.find(library.name + std::string(".so.")), std::string::npos)
            << library.name;
    // Nor colour management (no profile to convert from) or scanning.
    for (const char* library : {"liblcms2.so.", "libsane.so."})
        EXPECT_EQ(r.err.find(library), std::string::npos) << library;

    std::string files;  // a file of each format, the BMP last
    for (const OpenedLibrary& library : kOpenedLibraries)
        if (const std::string name = std::string(XIMORA_TEST_DATA) + "/" + library.file + " ";
            files.find(name) == std::string::npos)
            files += name;
    files += file("grey.bmp");
    r = run("info " + files, "LD_DEBUG=libs ");
    ASSERT_EQ(r.status, 0);
    const std::string allRead = r.out;
    const std::string loader = r.err;
    for (const OpenedLibrary& library : kOpenedLibraries) {
        SCOPED_TRACE(library.name);
        // The loader's "calling init: PATH" line of the library itself names the file to hide.
        std::string path;
        std::istringstream lines(loader);
        for (std::string line; std::getline(lines, line);) {
            const size_t at = line.find("calling init: ");
            if (at != std::string::npos &&
                line.find(std::string("/") + library.name + ".so.") != std::string::npos)
                path = line.substr(at + std::string("calling init: ").size());
        }
        ASSERT_FALSE(path.empty());

        // An empty file over it, in a mount namespace of this test's own.
        const std::string hide = "unshare --mount --map-root-user sh -c 'mount --bind /dev/null " +
                                 path + " && exec \"$0\" \"$@\"' ";
        r = run("info " + files, hide);
        if (r.err.find("unshare:") != std::string::npos ||
            r.err.find("mount:") != std::string::npos)
            GTEST_SKIP() << "no mount namespace here: " << r.err;
        std::vector<std::string> lost{std::string(XIMORA_TEST_DATA) + "/" + library.file};
        if (library.alsoNeeding)
            lost.push_back(std::string(XIMORA_TEST_DATA) + "/" + library.alsoNeeding);
        const std::string unsupported = ": error 4: " + std::string(errorText(kErrUnsupported));
        EXPECT_EQ(r.status, 1);
        // The loader's words say why, in brackets after the text.
        for (const std::string& name : lost)
            EXPECT_NE(r.err.find(name + unsupported + " ("), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), std::ptrdiff_t(lost.size()))
            << r.err;
        std::string othersRead;
        std::istringstream read(allRead);
        for (std::string line; std::getline(read, line);)
            if (std::none_of(lost.begin(), lost.end(), [&line](const std::string& name) {
                    return line.rfind(name + "\t", 0) == 0;
                }))
                othersRead += line + "\n";
        EXPECT_EQ(r.out, othersRead);
        if (library.written) {
            const std::string target = file(std::string("out.") + library.written);
            r = run("convert " + file("grey.bmp") + " " + target, hide);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err.rfind(target + unsupported + " (", 0), 0u) << r.err;
            EXPECT_FALSE(fs::exists(target));
        }
    }
}

// WebP, HEIF, AVIF and JPEG XL files are read like the others; WebP is written, losslessly
// unless a quality below 100 is asked for.
TEST_F(BatchCli, ModernFormatsAreReadAndWebpIsWritten) {
    const std::string data = std::string(XIMORA_TEST_DATA) + "/modern-formats/";
    std::string expected, arguments;
    for (const char* name : {"photo-q90.webp", "photo-q90.heic", "photo-q.avif", "photo-d1.jxl"}) {
        arguments += " " + data + name;
        const std::string ext = fs::path(name).extension().string().substr(1);
        expected += data + name + "\t96\t64\t24.\t0\t0\t" + ext + "\n";
    }
    Outcome r = run("info" + arguments);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected);

    r = run("convert " + data + "photo.png " + file("exact.webp"));
    EXPECT_EQ(r.status, 0) << r.err;
    Image source, written;
    ASSERT_TRUE(loadImage(data + "photo.png", source));
    ASSERT_TRUE(loadImage(file("exact.webp"), written));
    EXPECT_EQ(std::memcmp(source.row(10), written.row(10), 96 * 3), 0);
    r = run("convert --quality 60 " + data + "photo-q.avif " + file("small.webp"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(fs::file_size(file("small.webp")), fs::file_size(file("exact.webp")));
}

// Names that are no UTF-8 (Shift-JIS from Windows) and names with line breaks and tabs:
// taken as arguments and from lists with their bytes, worked on, and written escaped in the
// tab-separated output; "--" ends the options.
TEST(BatchNames, OddNamesKeepTheirBytesAndAreEscapedInOutput) {
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray shiftJis = folder + "/\x83\x65\x83\x58\x83\x67.bmp";  // "テスト.bmp"
    const QByteArray broken = folder + "/line\nbreak\tand\\tab.bmp";
    const QByteArray dashed = folder + "/-dash.bmp";
    for (const QByteArray& name : {shiftJis, broken, dashed})
        ASSERT_TRUE(ximora::engine::saveImage(name.toStdString(),
                                              ximora::engine::testing::randomImage(6, 4, 24), {}));
    const QString batch = QCoreApplication::applicationDirPath() + QStringLiteral("/ximora-batch");

    QProcess info;
    info.start(batch, {QStringLiteral("info"), QStringLiteral("--"), QFile::decodeName(dashed)});
    ASSERT_TRUE(info.waitForFinished(120000));
    EXPECT_EQ(info.exitCode(), 0) << info.readAllStandardError().toStdString();
    EXPECT_TRUE(info.readAllStandardOutput().startsWith(dashed + "\t6\t4\t24."));

    // A list on standard input hands names over with their bytes.
    QProcess turn;
    turn.start(batch,
               {QStringLiteral("run"), QStringLiteral("-c"), QStringLiteral("回転⇒右90度"),
                QStringLiteral("--in-place"), QStringLiteral("--status"), QStringLiteral("-")});
    turn.write(shiftJis + "\n");
    turn.closeWriteChannel();
    ASSERT_TRUE(turn.waitForFinished(120000));
    EXPECT_EQ(turn.readAllStandardOutput(), shiftJis + "\tok\n");
    ximora::engine::Image back;
    ASSERT_TRUE(ximora::engine::loadImage(shiftJis.toStdString(), back));
    EXPECT_EQ(back.width(), 4);

    // Arguments with their own bytes (QProcess would hand UTF-8 over, so the shell makes them
    // from octal escapes); a line break and a tab in a name are escaped in the output line.
    const auto argument = [&](const QByteArray& name) {
        QByteArray escapes;
        for (const char c : name)
            escapes += "\\0" + QByteArray::number(uint8_t(c), 8).rightJustified(3, '0');
        QProcess facts;
        facts.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), QStringLiteral("\"$0\" info \"$(printf '%b' \"$1\")\""),
                     batch, QString::fromLatin1(escapes)});
        EXPECT_TRUE(facts.waitForFinished(120000));
        return facts.readAllStandardOutput();
    };
    EXPECT_EQ(argument(shiftJis), shiftJis + "\t4\t6\t24.\t0\t0\tbmp\n");
    EXPECT_EQ(argument(broken), folder + "/line\\nbreak\\tand\\\\tab.bmp\t6\t4\t24.\t0\t0\tbmp\n");
    ::unlink(shiftJis.constData());  // Qt's clean-up of the folder cannot name it
}

// Only a regular file (or a link to one) is ever replaced: a FIFO and a device node are refused
// with the reason, never turned into files.
TEST(BatchNames, SpecialFilesAreNeverReplaced) {
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray source = folder + "/a.bmp";
    ASSERT_TRUE(ximora::engine::saveImage(source.toStdString(),
                                          ximora::engine::testing::randomImage(6, 4, 24), {}));
    std::vector<QByteArray> targets{folder + "/pipe.png"};
    ASSERT_EQ(::mkfifo(targets.back().constData(), 0600), 0);
    if (::mknod((folder + "/null.png").constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        targets.push_back(folder + "/null.png");  // where the test may make one
    const QString batch = QCoreApplication::applicationDirPath() + QStringLiteral("/ximora-batch");
    for (const QByteArray& target : targets) {
        QProcess convert;
        convert.start(batch, {QStringLiteral("convert"), QFile::decodeName(source),
                              QFile::decodeName(target)});
        ASSERT_TRUE(convert.waitForFinished(120000));
        EXPECT_EQ(convert.exitCode(), 1);
        EXPECT_TRUE(convert.readAllStandardError().contains("not a regular file"));
        struct stat info {};
        ASSERT_EQ(::lstat(target.constData(), &info), 0);
        EXPECT_FALSE(S_ISREG(info.st_mode)) << target.toStdString();
    }
}
