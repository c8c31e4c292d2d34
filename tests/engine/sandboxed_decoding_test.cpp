// Decoding in confined workers: every format and every task gives in a worker exactly what it
// gives in process, and a decoder that crashes, hangs or allocates without bound is contained:
// the file fails as damaged with the reason, and everything else goes on.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/codecs/image_row_sink.h"
#include "engine/codecs/registry.h"
#include "engine/core/deep_samples.h"
#include "engine/core/error.h"
#include "engine/core/memory_budget.h"
#include "engine/io/file_io.h"
#include "engine/sandbox/exchange_file.h"
#include "engine/sandbox/sandboxed_decoding.h"
#include "engine/thumbs/thumbnail_loader.h"
#include "engine/thumbs/thumbnail_producer.h"
#include "op_test_images.h"
#include "thumbs_test_folder.h"

using namespace ximora::engine;

namespace {

// Starts workers for one test and stops them after it, so that the others decode in process.
class Workers {
  public:
    explicit Workers(DecodeWorkerSettings settings = {}) {
        settings.program = XIMORA_DECODE_PROGRAM;
        if (!settings.workers) settings.workers = 2;
        started_ = startDecodeWorkers(settings);
    }
    ~Workers() { stopDecodeWorkers(); }
    bool started() const { return started_; }

  private:
    bool started_ = false;
};

DecodeWorkerSettings hostile(const char* mode, int timeoutSeconds = 60) {
    // The library runs before the sanitizers' runtime, which must be told to let it.
    const char* asan = std::getenv("ASAN_OPTIONS");
    setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":verify_asan_link_order=0").c_str(),
           1);
    DecodeWorkerSettings settings;
    settings.timeoutSeconds = timeoutSeconds;
    settings.environment = {std::string("LD_PRELOAD=") + XIMORA_HOSTILE_DECODER,
                            std::string("XIMORA_HOSTILE=") + mode};
    return settings;
}

// A picture with what a file may hold besides its pixels, at `depth`.
Image pictureWithParts(test::Depth depth, unsigned seed) {
    Image image = test::makeImage(97, 61, depth, seed);
    image.dpiX = 300, image.dpiY = 150;
    image.comment = "written by the sandbox test";
    image.metadata.xmp.assign({'<', 'x', '/', '>'});
    return image;
}

// A picture with 16-bit samples beside its raster.
Image deepPicture() {
    Image image = test::makeImage(40, 30, {24, false}, 5);
    auto deep = makeDeepSamples(40, 30, 3, 0);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40 * 3; ++x) {
            deep->row(y)[x] = uint16_t(x * 517 + y * 33);
            image.row(y)[x] = uint8_t(deep->row(y)[x] >> 8);
        }
    attachDeepSamples(image, std::move(deep));
    return image;
}

bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

struct Sample {
    std::string name;
    std::vector<uint8_t> bytes;
};

// `png` with its palette cut to its first `entries` colours, so that its indexes run past it.
std::vector<uint8_t> withShortPalette(const std::vector<uint8_t>& png, uint32_t entries) {
    const std::string type = "PLTE";
    const auto at = std::search(png.begin(), png.end(), type.begin(), type.end()) - png.begin();
    const auto be32 = [&](size_t i) {
        return uint32_t(png[i]) << 24 | uint32_t(png[i + 1]) << 16 | uint32_t(png[i + 2]) << 8 |
               png[i + 3];
    };
    const uint32_t length = be32(size_t(at) - 4);
    std::vector<uint8_t> out(png.begin(), png.begin() + at - 4);
    const uint32_t cut = entries * 3;
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(cut >> shift));
    out.insert(out.end(), png.begin() + at, png.begin() + at + 4 + cut);
    const uint32_t crc = uint32_t(crc32(0, out.data() + at, 4 + cut));
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(crc >> shift));
    out.insert(out.end(), png.begin() + at + 4 + length + 4, png.end());
    return out;
}

// Every format the engine writes, at every depth it takes, the formats it only reads from
// their reference files, and damaged files.
std::vector<Sample> samples() {
    std::vector<Sample> out;
    for (const Codec* codec : codecs()) {
        for (int format : codec->saveFormats)
            for (const test::Depth& depth : test::allDepths()) {
                std::vector<uint8_t> bytes;
                if (encodeImage(pictureWithParts(depth, unsigned(format)), {.format = format},
                                bytes))
                    out.push_back(
                        {"save format " + std::to_string(format) + " from " + depth.name(),
                         std::move(bytes)});
            }
    }
    for (const char* name : {"photo-q90.heic", "photo-q.avif", "photo-d1.jxl"}) {
        out.push_back({name, {}});
        readWholeFile(std::string(XIMORA_TEST_DATA) + "/modern-formats/" + name, out.back().bytes);
    }
    std::vector<uint8_t> palette;
    EXPECT_TRUE(encodeImage(test::makeImage(97, 61, {4, false}, 9), {.format = kSavePng}, palette));
    out.push_back({"PNG with indexes past its palette", withShortPalette(palette, 3)});
    out.push_back({"16-bit TIFF", {}});
    EXPECT_TRUE(encodeImage(deepPicture(), {.format = kSaveTiff}, out.back().bytes));
    out.push_back({"16-bit PNG", {}});
    EXPECT_TRUE(encodeImage(deepPicture(), {.format = kSavePng}, out.back().bytes));
    std::vector<uint8_t> cut = out.front().bytes;
    cut.resize(cut.size() / 2);
    out.push_back({"a cut file", cut});
    out.push_back({"not a picture", {'h', 'e', 'l', 'l', 'o'}});
    return out;
}

::testing::AssertionResult sameDecoded(const Image& a, const Image& b) {
    if (a.width() != b.width() || a.height() != b.height() ||
        a.bitsPerPixel() != b.bitsPerPixel() || a.grey() != b.grey())
        return ::testing::AssertionFailure() << "size or depth differs";
    if (a.palette != b.palette || a.dpiX != b.dpiX || a.dpiY != b.dpiY || a.comment != b.comment ||
        a.cutShort != b.cutShort || a.metadata.exif != b.metadata.exif ||
        a.metadata.xmp != b.metadata.xmp || a.metadata.icc != b.metadata.icc)
        return ::testing::AssertionFailure() << "palette, resolution, comment or metadata differs";
    const size_t rowBytes = size_t(a.width()) * size_t(a.bytesPerPixel());
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.row(y), b.row(y), rowBytes) != 0)
            return ::testing::AssertionFailure() << "row " << y << " differs";
    const DeepSamples *deepA = currentDeepSamples(a), *deepB = currentDeepSamples(b);
    if (bool(deepA) != bool(deepB) || (deepA && deepA->samples != deepB->samples))
        return ::testing::AssertionFailure() << "16-bit samples differ";
    return ::testing::AssertionSuccess();
}

// What one task gives: success, error, and the picture or facts.
struct Outcome {
    bool ok = false;
    int error = 0;
    Image image;
    ImageFacts facts;
    FileFormat format = FileFormat::Unknown;
};

// A sink that wants no rows, as a bitmap file refuses a turned picture.
class RefusingSink final : public RowSink {
  public:
    bool start(const RowLayout&) override { return fail(kErrUnsupported); }
    void putRow(int, const uint8_t*) override { ADD_FAILURE() << "a row after a refusal"; }
    void putPixels(int, int, int, int, const uint8_t*) override {
        ADD_FAILURE() << "pixels after a refusal";
    }
};

std::vector<Outcome> everyTask(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::vector<Outcome> out(9);
    // Each task's error as it stands right after it.
    const auto done = [&](size_t task, bool ok) {
        out[task].ok = ok;
        out[task].error = ok ? 0 : lastError();
    };
    done(0, loadImage(path, out[0].image, {}, &out[0].format));
    done(1, loadImage(path, out[1].image, {.minSide = 20, .keepMetadata = false}));
    FileSource file;
    EXPECT_TRUE(file.open(path));
    done(2, loadImageFromSource(file, out[2].image, {.applyOrientation = false}));
    done(3, readImageFacts(path, out[3].facts, &out[3].format));
    done(4, fitsMemoryBudget(path));
    out[4].facts.width = int(headerRasterBytes(path));
    done(5, loadThumbnail(path, 32, out[5].image));
    // Bytes from another program (the clipboard) rather than a file.
    done(6, loadImageFromMemory(bytes.data(), bytes.size(), out[6].image));
    // Rows streamed to a sink as they are decoded, and a sink that refuses them.
    ImageRowSink rows(false);
    done(7, decodeFileRows(path, rows) && rows.finish({}, out[7].image));
    RefusingSink refusing;
    done(8, decodeFileRows(path, refusing));
    return out;
}

}  // namespace

TEST(SandboxedDecoding, EveryFormatAndTaskGivesWhatItGivesInProcess) {
    test::TestFolder folder;
    const std::vector<Sample> all = samples();
    std::vector<std::vector<Outcome>> here;
    for (size_t i = 0; i < all.size(); ++i) {
        ASSERT_TRUE(writeWholeFile(folder.file(std::to_string(i)), all[i].bytes));
        here.push_back(everyTask(folder.file(std::to_string(i)), all[i].bytes));
    }
    const Workers workers;
    ASSERT_TRUE(workers.started());
    for (size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(all[i].name);
        const std::vector<Outcome> there = everyTask(folder.file(std::to_string(i)), all[i].bytes);
        for (size_t task = 0; task < there.size(); ++task) {
            SCOPED_TRACE("task " + std::to_string(task));
            EXPECT_EQ(there[task].ok, here[i][task].ok);
            EXPECT_EQ(there[task].error, here[i][task].error);
            EXPECT_EQ(there[task].format, here[i][task].format);
            EXPECT_EQ(there[task].facts.width, here[i][task].facts.width);
            EXPECT_EQ(there[task].facts.height, here[i][task].facts.height);
            EXPECT_EQ(there[task].facts.colourCode(), here[i][task].facts.colourCode());
            EXPECT_EQ(there[task].facts.sampleBits, here[i][task].facts.sampleBits);
            EXPECT_TRUE(sameDecoded(there[task].image, here[i][task].image));
        }
    }
    // The cases that keep 16-bit samples are among them.
    ASSERT_NE(currentDeepSamples(here[all.size() - 4][0].image), nullptr);
    ASSERT_NE(currentDeepSamples(here[all.size() - 3][0].image), nullptr);
}

// Large rasters of every depth come through the worker's exchange file, which one worker reuses
// from picture to picture at whatever size each needs: every picture is whole, and stays as it
// was when the next one is decoded into the same file.
TEST(SandboxedDecoding, LargePicturesThroughTheExchangeFileStayTheProgramsOwn) {
    test::TestFolder folder;
    // At every depth a raster past the size that goes through the exchange file, 9 or 12 MiB
    // in turn so that the file grows and is reused for less, and a small one between.
    struct Large {
        std::string name;
        int width, height;
        test::Depth depth;
    };
    std::vector<Large> large;
    for (const test::Depth& depth : test::allDepths()) {
        const size_t rowBytes = size_t(2000) * size_t(Image::storageBytesPerPixel(depth.bits));
        const size_t target = (large.size() % 2 ? size_t(12) : size_t(9)) << 20;
        large.push_back({depth.name() + ".bmp", 2000, int(target / rowBytes) + 1, depth});
    }
    large.push_back({"small.bmp", 300, 200, {24, false}});
    std::vector<Image> here;
    for (const Large& picture : large) {
        std::vector<uint8_t> bytes;
        Image image = test::makeImage(picture.width, picture.height, picture.depth, 11);
        image.comment = picture.name;
        ASSERT_TRUE(encodeImage(image, {.format = kSaveBmp}, bytes)) << picture.name;
        ASSERT_TRUE(writeWholeFile(folder.file(picture.name), bytes));
        here.emplace_back();
        ASSERT_TRUE(loadImage(folder.file(picture.name), here.back()));
    }
    DecodeWorkerSettings one;
    one.workers = 1;
    const Workers workers(one);
    ASSERT_TRUE(workers.started());
    std::vector<Image> there(large.size());
    for (int round = 0; round < 2; ++round)
        for (size_t i = 0; i < large.size(); ++i) {
            SCOPED_TRACE(large[i].name);
            ASSERT_TRUE(loadImage(folder.file(large[i].name), there[i]));
            EXPECT_TRUE(sameDecoded(there[i], here[i]));
        }
    for (size_t i = 0; i < large.size(); ++i)
        EXPECT_TRUE(sameDecoded(there[i], here[i])) << large[i].name;
    // They did come through it: the worker has the file mapped.
    const std::vector<int> pids = decodeWorkerProcesses();
    ASSERT_EQ(pids.size(), 1u);
    std::ifstream maps("/proc/" + std::to_string(pids[0]) + "/maps");
    std::stringstream text;
    text << maps.rdbuf();
    EXPECT_NE(text.str().find("ximora-exchange"), std::string::npos);
}

// Rows of large pictures of every depth stream from a worker through the slots of its exchange
// file, several slots each, and under a limit on file sizes over the socket: the sink gets
// every row as in process either way.
TEST(SandboxedDecoding, LargePicturesStreamAsRowsThroughTheExchangeFileOrTheSocket) {
    test::TestFolder folder;
    std::vector<std::string> names;
    std::vector<Image> here;
    for (const test::Depth& depth : test::allDepths()) {
        // 3 to 12 slots' worth of rows, so that both slots are filled again and again.
        const int height = 1500 * 4 / Image::storageBytesPerPixel(depth.bits) + 7;
        Image image = test::makeImage(2001, height, depth, 7);
        std::vector<uint8_t> bytes;
        names.push_back(depth.name() + ".bmp");
        ASSERT_TRUE(encodeImage(image, {.format = kSaveBmp}, bytes)) << names.back();
        ASSERT_TRUE(writeWholeFile(folder.file(names.back()), bytes));
        ImageRowSink rows(false);
        here.emplace_back();
        ASSERT_TRUE(decodeFileRows(folder.file(names.back()), rows) &&
                    rows.finish({}, here.back()));
    }
    const auto streamEach = [&] {
        DecodeWorkerSettings one;
        one.workers = 1;
        const Workers workers(one);
        ASSERT_TRUE(workers.started());
        for (size_t i = 0; i < names.size(); ++i) {
            SCOPED_TRACE(names[i]);
            ImageRowSink rows(false);
            Image there;
            ASSERT_TRUE(decodeFileRows(folder.file(names[i]), rows) && rows.finish({}, there));
            EXPECT_TRUE(sameDecoded(there, here[i]));
        }
    };
    streamEach();
    // The soft limit only, which this process can lift again; the workers inherit it.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit small{4096, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    streamEach();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
}

// What the program lends a worker can grow but never shrink under the program's mapping, nor
// be sealed against it, and holds no memory once its worker has been idle.
TEST(SandboxedDecoding, TheExchangeFileOnlyGrowsAndIsEmptiedWhenIdle) {
    ExchangeFile exchange;
    const int file = exchange.lend();  // the worker's end, as it receives it
    ASSERT_GE(file, 0);
    const std::vector<uint8_t> picture(1 << 20, 0x5a);
    ASSERT_EQ(ftruncate(file, off_t(picture.size())), 0);
    ASSERT_EQ(pwrite(file, picture.data(), picture.size(), 0), ssize_t(picture.size()));
    const uint8_t* mapped = exchange.contents(picture.size());
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(std::memcmp(mapped, picture.data(), picture.size()), 0);
    EXPECT_EQ(exchange.contents(picture.size() + 1), nullptr) << "past the end";
    EXPECT_NE(ftruncate(file, 4096), 0);
    EXPECT_NE(fcntl(file, F_ADD_SEALS, F_SEAL_WRITE), 0);
    struct stat held {};
    ASSERT_EQ(fstat(file, &held), 0);
    EXPECT_GT(held.st_blocks, 0);
    exchange.emptyIfIdle(std::chrono::hours(1));  // not idle long enough
    ASSERT_EQ(fstat(file, &held), 0);
    EXPECT_GT(held.st_blocks, 0);
    exchange.emptyIfIdle(std::chrono::seconds(0));
    ASSERT_EQ(fstat(file, &held), 0);
    EXPECT_EQ(held.st_blocks, 0);
    EXPECT_EQ(held.st_size, off_t(picture.size()));
    EXPECT_FALSE(exchange.holdsPages());
}

// The status the kernel shows for process `pid`, once it says the process is confined (or
// after two seconds).
std::string confinedStatus(int pid) {
    std::string status;
    for (int i = 0; i < 100; ++i, usleep(20000)) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/status");
        std::stringstream text;
        text << in.rdbuf();
        status = text.str();
        if (status.find("Seccomp:\t2") != std::string::npos) break;
    }
    return status;
}

// Under a limit on file sizes (which holds for shared memory files too) the pictures come over
// the socket instead, with all their parts.
TEST(SandboxedDecoding, UnderAFileSizeLimitPicturesComeOverTheSocket) {
    test::TestFolder folder;
    std::vector<uint8_t> deep, palette;
    ASSERT_TRUE(encodeImage(deepPicture(), {.format = kSavePng}, deep));
    ASSERT_TRUE(encodeImage(pictureWithParts({4, false}, 3), {.format = kSavePng}, palette));
    ASSERT_TRUE(writeWholeFile(folder.file("deep.png"), deep));
    ASSERT_TRUE(writeWholeFile(folder.file("palette.png"), palette));
    Image deepHere, paletteHere;
    ASSERT_TRUE(loadImage(folder.file("deep.png"), deepHere));
    ASSERT_TRUE(loadImage(folder.file("palette.png"), paletteHere));
    // The soft limit only, which this process can lift again; the workers inherit it.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit small{4096, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    {
        const Workers workers;
        Image deepThere, paletteThere;
        EXPECT_TRUE(loadImage(folder.file("deep.png"), deepThere));
        EXPECT_TRUE(sameDecoded(deepThere, deepHere));
        EXPECT_TRUE(loadImage(folder.file("palette.png"), paletteThere));
        EXPECT_TRUE(sameDecoded(paletteThere, paletteHere));
    }
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
}

TEST(SandboxedDecoding, WorkersAreConfinedAndEndWithTheirPool) {
    std::vector<int> pids;
    {
        const Workers workers;
        ASSERT_TRUE(workers.started());
        for (int i = 0; i < 100 && decodeWorkerProcesses().size() < 2; ++i) usleep(20000);
        pids = decodeWorkerProcesses();
        ASSERT_EQ(pids.size(), 2u);
        for (int pid : pids) {
            const std::string status = confinedStatus(pid);
            EXPECT_NE(status.find("NoNewPrivs:\t1"), std::string::npos);
            EXPECT_NE(status.find("Seccomp:\t2"), std::string::npos);
        }
    }
    for (int pid : pids) EXPECT_NE(kill(pid, 0), 0) << "worker " << pid << " outlived its pool";
}

TEST(SandboxedDecoding, WorkersLeftForLaterStartOnlyWhenAskedOrNeeded) {
    test::TestFolder folder;
    std::vector<uint8_t> png;
    ASSERT_TRUE(encodeImage(test::makeImage(64, 48, {24, false}), {.format = kSavePng}, png));
    ASSERT_TRUE(writeWholeFile(folder.file("a.png"), png));
    DecodeWorkerSettings later;
    later.readyAtOnce = false;
    const Workers workers(later);
    ASSERT_TRUE(workers.started());
    usleep(300000);
    EXPECT_TRUE(decodeWorkerProcesses().empty());
    // A file read before then starts the worker it needs, and decodes in it.
    Image picture;
    ASSERT_TRUE(loadImage(folder.file("a.png"), picture));
    EXPECT_EQ(decodeWorkerProcesses().size(), 1u);
    keepDecodeWorkersReady();
    for (int i = 0; i < 100 && decodeWorkerProcesses().size() < 2; ++i) usleep(20000);
    EXPECT_EQ(decodeWorkerProcesses().size(), 2u);
}

TEST(SandboxedDecoding, TheFilterRefusesWhatADecoderNeverNeeds) {
    test::TestFolder folder;
    const std::string output = folder.file("report");
    const std::string command = "ASAN_OPTIONS=detect_leaks=0 " XIMORA_DECODE_PROGRAM " --check " +
                                folder.file("made-by-worker") + " > " + output;
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(output);
    std::stringstream report;
    report << in.rdbuf();
    for (const char* refused :
         {"write\trefused", "socket\trefused", "exec\trefused", "fork\trefused",
          "signal another process\trefused", "signal itself\tallowed", "read /etc/passwd\trefused"})
        EXPECT_NE(report.str().find(refused), std::string::npos) << refused << "\n" << report.str();
    EXPECT_FALSE(std::filesystem::exists(folder.file("made-by-worker")));
}

TEST(SandboxedDecoding, ACrashingDecoderFailsItsFileAndTheOthersGoOn) {
    test::TestFolder folder;
    std::vector<uint8_t> jpeg, png;
    ASSERT_TRUE(encodeImage(test::makeImage(64, 48, {24, false}), {.format = kSaveJpeg}, jpeg));
    ASSERT_TRUE(encodeImage(test::makeImage(64, 48, {24, false}), {.format = kSavePng}, png));
    std::vector<FileEntry> files;
    for (int i = 0; i < 6; ++i) {
        const std::string name = std::to_string(i) + (i == 2 ? ".jpg" : ".png");
        ASSERT_TRUE(writeWholeFile(folder.file(name), i == 2 ? jpeg : png));
        files.push_back({name});
    }
    const Workers workers(hostile("crash"));
    ASSERT_TRUE(workers.started());
    Image picture;
    ASSERT_FALSE(loadImage(folder.file("2.jpg"), picture));
    EXPECT_EQ(lastError(), kErrFileBroken);
    // A segmentation fault, or the abort that reports it under AddressSanitizer.
    EXPECT_TRUE(lastErrorDetail().starts_with("the decoder stopped: signal ")) << lastErrorDetail();
    // The folder's thumbnails: every other file gets its own.
    ThumbnailProducer producer;
    std::mutex mutex;
    std::vector<ThumbnailResult> results;
    producer.start(folder.path(), files, 32, nullptr, [&](ThumbnailResult&& result) {
        std::lock_guard lock(mutex);
        results.push_back(std::move(result));
    });
    producer.wait();
    ASSERT_EQ(results.size(), files.size());
    for (const ThumbnailResult& result : results) {
        EXPECT_EQ(result.ok, result.index != 2) << result.index;
        if (result.index == 2) {
            EXPECT_EQ(result.error, kErrFileBroken);
        }
    }
    ASSERT_TRUE(loadImage(folder.file("0.png"), picture));
}

TEST(SandboxedDecoding, AHangingDecoderIsEndedByTheWatchdog) {
    test::TestFolder folder;
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(encodeImage(test::makeImage(64, 48, {24, false}), {.format = kSaveJpeg}, jpeg));
    ASSERT_TRUE(writeWholeFile(folder.file("hangs.jpg"), jpeg));
    const Workers workers(hostile("hang", 2));
    ASSERT_TRUE(workers.started());
    Image picture;
    ASSERT_FALSE(loadImage(folder.file("hangs.jpg"), picture));
    EXPECT_EQ(lastError(), kErrFileBroken);
    EXPECT_EQ(lastErrorDetail(), "the decoder stopped: it took longer than 2 s");
}

TEST(SandboxedDecoding, AWorkersMemoryLimitHolds) {
    test::TestFolder folder;
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(encodeImage(test::makeImage(64, 48, {24, false}), {.format = kSaveJpeg}, jpeg));
    ASSERT_TRUE(writeWholeFile(folder.file("greedy.jpg"), jpeg));
    DecodeWorkerSettings settings = hostile("allocate");
    settings.memoryBytes = uint64_t(1) << 30;
    const Workers workers(settings);
    ASSERT_TRUE(workers.started());
    Image picture;
    ASSERT_FALSE(loadImage(folder.file("greedy.jpg"), picture));
    EXPECT_EQ(lastError(), kErrFileBroken);
    // The library was refused memory (its own way of ending then), not killed for taking it.
    EXPECT_EQ(lastErrorDetail(), "the decoder stopped: it ended with status 42");
}
