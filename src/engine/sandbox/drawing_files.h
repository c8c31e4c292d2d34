#pragma once
// Drawing files (WMF, EMF, DXF, SVG, SXF) read by name in the drawing worker, with the user's
// messages for those that cannot be read. Programs that carry no drawing library of their own
// (ximora-batch) read drawings only this way; the window's vector layer words its own messages
// with the same texts.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/core/image.h"
#include "engine/sandbox/drawing_reading.h"

namespace ximora::engine {

/// Files larger than this are no drawings the program takes over (a drawing is read whole).
inline constexpr int64_t kMaxDrawingFileBytes = 256LL * 1024 * 1024;

/// The drawing kind a file name's extension names, upper case ("WMF", "P21"...).
std::string drawingKindOfPath(std::string_view path);

/// Why a drawing of `kind` could not be read, from an engine error code (which becomes the last
/// error): not such a file, too large, or damaged.
std::string drawingReadError(int code, const std::string& kind);

/// The user's message for a request to the drawing worker that failed: the reader's own words,
/// or, when the worker stopped, the damaged-file message with how it stopped on a line of its
/// own (also the last error's detail).
std::string drawingWorkerError(const std::string& message, const std::string& kind);

/// Reads the drawing file at `path` in the drawing worker: its facts and the picture `ask`
/// wants. False with the last error set and the user's message, the reason and the file name on
/// two lines, in `message`; error 4 when no drawing worker runs.
bool readDrawingFile(const std::string& path, const DrawingAsk& ask, DrawingFacts& facts,
                     Image& picture, std::string& message);

}  // namespace ximora::engine
