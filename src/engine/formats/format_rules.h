#pragma once
// Which file format a file name asks for and which colour codes each format accepts: one table
// shared by the editor's save, the save-as dialog and file conversion (ximora-batch convert).

#include <string>
#include <string_view>

#include "engine/core/image.h"

namespace ximora::engine {

/// The lower-case text after the last "." of the file name in `path` (ASCII letters only are
/// folded); empty when the name has no ".".
std::string lowerExtension(std::string_view path);

/// Save format code for the editor's save by the lower-case extension: "bmp" 1 (compressed BMP),
/// "jpg", "jpeg", "jpe", "jfif" 2, "gif" 4, "tif", "tiff" 5, "png" 12, "fpx" 13, "pcx" 16,
/// "jp2" 21, "j2k" and "jpc" 22, "webp" 30; any other extension 0 (uncompressed BMP).
int editorSaveFormat(std::string_view extension);

/// Save format code for file conversion by the lower-case extension: "bmp" 0, "tif" and "tiff"
/// 5, "png" 12, "fpx" 13, "pcx" 16, "gif" 4, "jp2" 21, "j2k" and "jpc" 22, "webp" 30; any other
/// extension (the JPEG ones among them), and none, 2 (JPEG).
int conversionSaveFormat(std::string_view extension);

/// The colour codes a format accepts, as ".80.24." (the JPEG names, "fpx", "jp2", "j2k", "jpc"),
/// ".1.4.40.8.80.24." ("png", "pcx") or ".1.4.40.8.80." ("gif"); empty when every code is
/// accepted ("bmp", "tif", "webp" and the rest).
std::string_view acceptedColourCodes(std::string_view extension);

/// The colour code an image of colour code `code` is converted to before it is saved with
/// `extension`: 0 when the code is accepted, 8 (256 colours) for "gif", 24 otherwise.
int requiredColourCode(std::string_view extension, int code);

/// As requiredColourCode, for the image itself: what it holds that the format keeps is kept.
/// A 32-bit image with transparent pixels keeps its 32 bits for "png" (and "tif", "tiff",
/// "webp", which take every code) and goes to 256 colours with a transparent entry for "gif"
/// (reduceKeepingTransparency); an image with current deep samples keeps its depth for the
/// formats that store them (keepsDeepSamples).
int requiredColourCode(std::string_view extension, const Image& image, int code);

/// Converts `image` as requiredColourCode(extension, image, code) says, judging it by `code`
/// (the image's colour code, or another code to judge it by): adaptive
/// palette, error diffusion, threshold 50. True when nothing was needed; false with the engine
/// error when it failed.
bool prepareForExtension(Image& image, std::string_view extension, int code);

/// Whether the format the extension names stores samples of 16 bits ("png", "tif", "tiff"):
/// a picture's deep samples (deep_samples.h) are written there.
bool keepsDeepSamples(std::string_view extension);

/// Whether the extension names a format the program reads but never writes: HEIF ("heic",
/// "heif", "hif"), AVIF, JPEG XL and the drawings (SVG, SXF, WMF, EMF, DXF). A file of such a
/// name is never written: its bytes would not be what its name says.
bool isReadOnlyExtension(std::string_view extension);

}  // namespace ximora::engine
