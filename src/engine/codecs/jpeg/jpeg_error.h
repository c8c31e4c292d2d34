#pragma once
// libjpeg's error plumbing for the JPEG codec: errors jump back to the caller's setjmp point
// with an engine error code, warnings are noted instead of printed.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace ximora::engine {

/// Error state shared with libjpeg through cinfo.err; `manager` must stay the first member.
struct JpegErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    int code = 0;            ///< engine error code of the error that jumped
    bool truncated = false;  ///< the data ended before the image did
    /// libjpeg's words for the error that jumped, or for the premature end
    char message[JMSG_LENGTH_MAX] = {};
};

/// Prepares `trap` and returns the manager to store in cinfo.err. After an error, libjpeg
/// longjmps to trap.jump with trap.code set (3, 6, 17 or 23).
jpeg_error_mgr* installJpegErrors(JpegErrorTrap& trap);

/// Refuses files with an absurd number of progressive scans (each rescans the whole
/// coefficient buffer, so thousands of tiny scans would hang the decoder).
void limitJpegScans(jpeg_decompress_struct& cinfo, jpeg_progress_mgr& progress);

}  // namespace ximora::engine
