// The tables of functions the codecs look up in libraries opened when first needed: the
// functions of every library given are found, and a missing library or function leaves the
// table unusable, with error 4 and the loader's words for what is missing.

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "engine/codecs/shared_library.h"
#include "engine/core/error.h"

using namespace ximora::engine;

namespace {

#define TEST_ZLIB_FUNCTIONS(F) F(zlibVersion) F(adler32)

struct ZlibLibrary {
    TEST_ZLIB_FUNCTIONS(XIMORA_LIBRARY_FUNCTION)
    void find(SharedLibrary& library) { library TEST_ZLIB_FUNCTIONS(XIMORA_LIBRARY_FIND); }
};

struct LibraryWithoutAFunction {
    decltype(&::zlibVersion) version = nullptr;
    void find(SharedLibrary& library) { library.find("zlibVersionOfTheFuture", version); }
};

}  // namespace

TEST(SharedLibrary, FunctionsAreFoundInAnyOfTheLibraries) {
    // The C library has none of them: the second library is looked in too.
    const LibraryTable<ZlibLibrary> table({"libc.so.6", "libz.so.1"});
    clearLastError();
    const ZlibLibrary* zlib = table.functions();
    ASSERT_NE(zlib, nullptr);
    EXPECT_EQ(lastError(), kOk);
    EXPECT_EQ(std::string(zlib->zlibVersion()), zlibVersion());
    const Bytef bytes[] = {'a', 'b', 'c'};
    EXPECT_EQ(zlib->adler32(1, bytes, 3), adler32(1, bytes, 3));
}

TEST(SharedLibrary, AMissingLibraryOrFunctionIsError4WithWhatIsMissing) {
    const LibraryTable<ZlibLibrary> withoutLibrary({"libz.so.1", "libximora-absent.so.0"});
    clearLastError();
    EXPECT_EQ(withoutLibrary.functions(), nullptr);
    EXPECT_EQ(lastError(), kErrUnsupported);
    EXPECT_NE(lastErrorDetail().find("libximora-absent.so.0"), std::string::npos)
        << lastErrorDetail();

    const LibraryTable<LibraryWithoutAFunction> withoutFunction({"libz.so.1"});
    clearLastError();
    EXPECT_EQ(withoutFunction.functions(), nullptr);
    EXPECT_EQ(lastError(), kErrUnsupported);
    EXPECT_EQ(lastErrorDetail(), "undefined symbol: zlibVersionOfTheFuture");
}
