// ximora-batch on files that claim huge pictures, run as a user would in a child process whose
// memory is limited (RLIMIT_AS, where the sanitizers allow it) and whose peak is measured: the
// facts, the thumbnails and the refusals must all come within a few hundred megabytes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/io/atomic_file.h"
#include "engine/io/file_io.h"
#include "support/huge_pictures.h"

namespace fs = std::filesystem;
using namespace ximora::test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // AddressSanitizer reserves terabytes of address space
#else
constexpr bool kSanitized = false;
#endif

// The address space the child may take: the program and its libraries, a few hundred
// megabytes of work.
constexpr rlim_t kAddressSpace = rlim_t(1200) << 20;
// Resident memory the child must stay below (the sanitizers' shadow memory included).
constexpr long kMostResidentKiB = 400 * 1024;

struct Outcome {
    int status = -1;
    long peakKiB = 0;
    std::string out, err;
};

class BatchMemory : public ::testing::Test {
  protected:
    void SetUp() override {
        program_ = fs::read_symlink("/proc/self/exe").parent_path() / "ximora-batch";
        if (!fs::exists(program_)) GTEST_SKIP() << "ximora-batch is not built";
        home_ = fs::temp_directory_path() / ("ximora-batch-memory-" + std::to_string(::getpid()));
        pics_ = home_ / "pics";
        fs::create_directories(pics_);
    }
    void TearDown() override { fs::remove_all(home_); }

    void write(const std::string& name, const Bytes& bytes) const {
        const std::string path = (pics_ / name).string();
        ASSERT_TRUE(ximora::engine::writeFileAtomically(path, bytes.data(), bytes.size()));
    }
    std::string pic(const std::string& name) const { return (pics_ / name).string(); }

    // The settings file of the private user data folder, with a memory budget in megabytes.
    void setBudget(int megabytes) const {
        const fs::path folder = home_ / "data/Quorvel/ximora";
        fs::create_directories(folder);
        std::ofstream(folder / "User.xml")
            << "<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<\x89\x5e\x97\x70>\r\n"
            << "   <\x90\xdd\x92\xe8>\r\n      <\xd2\xd3\xd8\x8f\xe3\x8c\xc0>" << megabytes
            << "</\xd2\xd3\xd8\x8f\xe3\x8c\xc0>\r\n   "
               "</\x90\xdd\x92\xe8>\r\n</\x89\x5e\x97\x70>\r\n";
    }

    // Runs ximora-batch with `args` in a child: a private home, no display, the address space
    // limited where possible; its exit status, peak resident memory and output.
    Outcome run(const std::vector<std::string>& args) const {
        std::vector<std::string> env = {
            "HOME=" + home_.string(), "XDG_DATA_HOME=" + (home_ / "data").string(),
            "XDG_CONFIG_HOME=" + (home_ / "config").string(), "PATH=/usr/bin:/bin"};
        // The sanitizer's quarantine would otherwise keep up to 256 MB of freed memory.
        if (const char* asan = std::getenv("ASAN_OPTIONS"))
            env.push_back(std::string("ASAN_OPTIONS=") + asan + ":quarantine_size_mb=16");
        else
            env.push_back("ASAN_OPTIONS=quarantine_size_mb=16:detect_leaks=0");
        if (const char* lsan = std::getenv("LSAN_OPTIONS"))
            env.push_back(std::string("LSAN_OPTIONS=") + lsan);
        std::vector<std::string> argv = {program_.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> argp, envp;
        for (std::string& a : argv) argp.push_back(a.data());
        for (std::string& e : env) envp.push_back(e.data());
        argp.push_back(nullptr);
        envp.push_back(nullptr);
        const std::string outPath = (home_ / "stdout").string(),
                          errPath = (home_ / "stderr").string();

        Outcome result;
        const pid_t child = ::fork();
        if (child == 0) {
            // Only async-signal-safe calls until exec.
            const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(err, 2);
            if (!kSanitized) {
                const rlimit limit{kAddressSpace, kAddressSpace};
                ::setrlimit(RLIMIT_AS, &limit);
            }
            ::execve(argp[0], argp.data(), envp.data());
            ::_exit(127);
        }
        int raw = 0;
        rusage usage{};
        ::wait4(child, &raw, 0, &usage);
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.peakKiB = usage.ru_maxrss;
        result.out = slurp(outPath);
        result.err = slurp(errPath);
        return result;
    }
    static std::string slurp(const std::string& path) {
        std::stringstream text;
        text << std::ifstream(path).rdbuf();
        return text.str();
    }

    fs::path program_, home_, pics_;
};

const char kMemoryError[] = "error 3: ﾒﾓﾘｴﾗｰが発生しました";

Bytes dataFile(const std::string& name) {
    std::ifstream in(XIMORA_TEST_DATA "/modern-formats/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(BatchMemory, InfoReadsTheHeadersOfHugePictures) {
    write("rle.bmp", runLengthBitmap(60000, 60000));
    write("plain.png", plainPng(40000, 40000));
    write("screen.gif", hugeScreenGif(60000, 60000));
    const Outcome r = run({"info", pic("rle.bmp"), pic("plain.png"), pic("screen.gif")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, pic("rle.bmp") + "\t60000\t60000\t8.\t72\t72\tbmp\n" + pic("plain.png") +
                         "\t40000\t40000\t1.\t0\t0\tpng\n" + pic("screen.gif") +
                         "\t60000\t60000\t80.\t0\t0\tgif\n");  // no colour table: grey
    EXPECT_LT(r.peakKiB, kMostResidentKiB);
    RecordProperty("peak_resident_kib", int(r.peakKiB));
}

TEST_F(BatchMemory, AForgedChunkLengthIsRefusedWithoutAllocatingIt) {
    write("text.png", pngWithForgedTextLength(0x7400000c));  // about 1.9 GB
    const std::string folder = pics_.string();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", pic("text.png")},
          std::vector<std::string>{"convert", pic("text.png"), pic("out.bmp")},
          std::vector<std::string>{"thumbs", "--beside", folder}}) {
        const Outcome r = run(args);
        EXPECT_LT(r.peakKiB, kMostResidentKiB) << args[0];
        if (args[0] == "thumbs") {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, folder + "\t" + (pics_ / "Thmb100.Dat").string() + "\t1\t0\t1\t1\n");
        } else {
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, pic("text.png") +
                                 ": error 23: ﾌｧｲﾙが読み込みできません (the file ends before its "
                                 "IEND chunk)\n")
                << args[0];
        }
    }
    EXPECT_FALSE(fs::exists(pic("out.bmp")));
}

TEST_F(BatchMemory, ConvertRefusesAPicturePastTheBudget) {
    write("rle.bmp", runLengthBitmap(60000, 60000));
    setBudget(300);  // and, unsanitized, an address space that could not hold the raster
    const Outcome r = run({"convert", pic("rle.bmp"), pic("out.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, pic("rle.bmp") + ": " + kMemoryError + "\n");
    EXPECT_FALSE(fs::exists(pic("out.png")));
    EXPECT_LT(r.peakKiB, kMostResidentKiB);
    RecordProperty("peak_resident_kib", int(r.peakKiB));
}

TEST_F(BatchMemory, ThumbnailsOfAFolderOfHugePictures) {
    write("a-rle.bmp", runLengthBitmap(60000, 60000));          // genuine
    write("b-short.bmp", runLengthBitmap(60000, 60000, true));  // data cut short
    write("c-cut.png", cutPng(40000, 40000));
    write("d-plain.png", plainPng(16000, 16000));  // genuine
    write("e-screen.gif", hugeScreenGif(60000, 60000));
    write("f-huge.jpg", hugeJpeg(60000, 60000));
    write("g-huge.tif", hugeTiff(60000, 60000));
    write("h-huge.pcx", hugePcx());
    write("i-huge.j2k", hugeCodestream(60000, 60000));
    write("j-canvas.webp", hugeWebpCanvas(16384, 16384));
    write("k-huge.heic", withHugeExtents(dataFile("photo-q90.heic"), 16000, 16000));
    write("l-huge.avif", withHugeExtents(dataFile("photo-q.avif"), 16000, 16000));
    // The budget a machine with little memory would have: OpenJPEG takes 1.2 GB for the
    // code-blocks of a 60000 x 60000 colour picture in one tile, which a larger budget allows.
    setBudget(300);
    const Outcome r = run({"thumbs", "--beside", pics_.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    // Folder, cache, 12 files, none from the cache, 12 made, 8 of them failed (all but the
    // genuine ones and the JPEG, whose missing data libjpeg fills in).
    EXPECT_EQ(r.out, pics_.string() + "\t" + (pics_ / "Thmb100.Dat").string() + "\t12\t0\t12\t8\n");
    EXPECT_LT(r.peakKiB, kMostResidentKiB);
    RecordProperty("peak_resident_kib", int(r.peakKiB));
}

// The budget holds for everything a run keeps at once: a small file claiming a picture that
// fits alone, turned (which needs a working copy beside it), is refused with the memory message
// before the copy is made, and the run never holds more than the budget.
TEST_F(BatchMemory, AnEditWhoseCopyWouldNotFitIsRefused) {
    setBudget(300);
    write("claim.bmp", runLengthBitmap(16000, 16000));  // 256 MB at 8 bits
    const Outcome r =
        run({"run", "-c", "回転⇒右90度", "--out", (home_ / "out").string(), pic("claim.bmp")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("ﾒﾓﾘｴﾗｰが発生しました"), std::string::npos) << r.err;
    EXPECT_LT(r.peakKiB, kMostResidentKiB);
}
