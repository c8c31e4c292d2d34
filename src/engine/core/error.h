#pragma once
// The engine's error codes and their texts. Every failing engine operation sets the calling
// thread's last error code and returns false; nothing throws across the engine boundary.

#include <string_view>

namespace ximora::engine {

enum ErrorCode : int {
    kOk = 0,
    kErrOther = 2,         ///< その他のｴﾗｰ
    kErrMemory = 3,        ///< out of memory, or an image larger than the limits
    kErrUnsupported = 4,   ///< a format or feature the engine does not offer
    kErrBadParameter = 5,  ///< a parameter outside its range
    kErrBadFile = 6,       ///< not a file of a known format
    kErrBadImage = 7,      ///< the image does not suit the operation
    kErrScannerLoad = 8,
    kErrDraw = 9,
    kErrNotApplicable = 10,  ///< the operation does not apply to this image
    kErrOrder = 11,          ///< called out of order (for example, no image)
    kErrNoPaper = 12,
    kErrNoCameraImage = 13,
    kErrNotLoaded = 14,
    kErrCommunication = 15,
    kErrFileNotFound = 16,
    kErrFileBroken = 17,  ///< a file of a known format whose content is damaged
    kErrTimeout = 18,
    kErrAccess = 19,
    kErrCannotOpen = 20,
    kErrCannotCreate = 21,
    kErrCannotWrite = 22,
    kErrCannotRead = 23,  ///< reading stopped early (truncated file, read error)
    kErrNoImage = 24,
    kErrScanEntryPoint = 101,
    kErrScanSourceManager = 102,
    kErrScanNoSource = 103,
    kErrScanSourceBusy = 104,
    kErrScanSource = 105,
    kErrScanTriplet = 106,
    kErrScanPower = 107,
    kErrScanPaperJam = 108,
    kErrScanDoubleFeed = 109,
    kErrScanResolution = 110,
};

/// The calling thread's last error code (0 when the last failing call has been cleared).
int lastError();
void setLastError(int code);
void clearLastError();

/// Sets the last error and returns false, for `return fail(kErrBadFile);`.
inline bool fail(int code) {
    setLastError(code);
    return false;
}

/// The user-visible text (UTF-8) for an error code. Codes 0 and 1 give an empty text;
/// negative and unknown codes give the text of code 2.
std::string_view errorText(int code);

}  // namespace ximora::engine
