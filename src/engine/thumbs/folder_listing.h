#pragma once
// Listing a folder's image files for the file list and the thumbnail grid.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ximora::engine {

/// The browser's image filter: upper-case extensions separated by ";". The other names of JPEG
/// files follow JPG; the formats read since (WebP, HEIF, AVIF, JPEG XL) follow the first list.
inline constexpr std::string_view kImageFilter =
    "BMP;JPG;JPEG;JPE;JFIF;TIF;TIFF;PCX;FPX;PNG;GIF;JP2;JPC;J2K;WMF;EMF;DXF;SVG;P21;SFC;"
    "WEBP;HEIC;HEIF;HIF;AVIF;JXL";

/// One listed file.
struct FileEntry {
    /// The name as the file system stores it (raw bytes; not necessarily valid UTF-8). Join it
    /// with the folder to open the file; show it through displayName().
    std::string name;
    uint64_t size = 0;    ///< bytes
    int64_t mtimeNs = 0;  ///< last modification, nanoseconds since 1970-01-01 UTC
    friend bool operator==(const FileEntry&, const FileEntry&) = default;
};

/// Whether a file name passes the filter. The extension is the text after the last "." of the
/// name, or the whole name when it has no "."; the name passes when the extension occurs
/// anywhere inside `filter`, compared without regard to ASCII case. So "BMP" (no dot) passes
/// "BMP;JPG", and so does "x.PG" (PG occurs in JPG). An empty extension ("x.") never passes.
bool passesFilter(std::string_view name, std::string_view filter);

/// Lists the regular files of `folder` (not its subfolders) that pass `filter`, sorted by name
/// (ASCII case folded, then byte order). Hidden files (names beginning with ".") are left out;
/// symbolic links count as the file they point to, and dangling or looping links are skipped.
/// Fails with error 16 when the folder does not exist or is not a folder, 19 when it may not be
/// read, 23 when reading stops early; `out` then holds what was listed before the failure.
bool listImageFiles(const std::string& folder, std::string_view filter,
                    std::vector<FileEntry>& out);

/// A file name made fit for display: valid UTF-8 is returned unchanged, each byte of an invalid
/// sequence becomes U+FFFD.
std::string displayName(std::string_view rawName);

}  // namespace ximora::engine
