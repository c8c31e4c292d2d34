#pragma once
// The engine's error codes and their texts. Every failing engine operation sets the calling
// thread's last error code and returns false; nothing throws across the engine boundary.

#include <string>
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

/// A reason of the program's own beside the errno values: the path names something that is not
/// a regular file (a FIFO, a device, a socket, a /proc descriptor link), which is never
/// replaced by a write.
inline constexpr int kReasonNotRegularFile = 1 << 20;

/// As fail(), also keeping the operating system's reason for it (an errno value) so that the
/// message can say why a file could not be written: `return failWithReason(kErrCannotWrite,
/// ENOSPC);`. setLastError() and fail() clear the reason.
bool failWithReason(int code, int osError);
/// The errno value kept with the calling thread's last error, 0 when there is none.
int lastErrorReason();

/// As fail(), also keeping a decoder's own words for what it found ("Premature end of JPEG
/// file"), on one line without trailing white space, printable ASCII, at most 200 characters.
bool failWithDetail(int code, std::string_view detail);
/// The decoder's words kept with the calling thread's last error, empty when there are none.
const std::string& lastErrorDetail();
/// Why the last error happened, for a second line under its text: the operating system's
/// reason when one was kept, else the decoder's words; empty when neither was.
std::string lastErrorWhy();

/// The user-visible text (UTF-8) for an error code. Codes 0 and 1 give an empty text;
/// negative and unknown codes give the text of code 2.
std::string_view errorText(int code);

/// The user-visible text (UTF-8) of an operating system's reason: "ﾃﾞｨｽｸの空き容量が不足して
/// います" for ENOSPC and EDQUOT, and so on; the C library's text for the rest, empty for 0.
std::string reasonText(int osError);

/// The text of the calling thread's last error, followed on a second line by its reason (or
/// the decoder's words) when one was kept, the line ending in CR as the program's messages do:
/// "ﾌｧｲﾙが書き込みできません \rﾃﾞｨｽｸの空き容量が不足しています". Empty when the last error is 0
/// or 1.
std::string lastErrorMessage();

}  // namespace ximora::engine
