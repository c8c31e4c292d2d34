#pragma once
// The facts the editor reports about its current image: the colour code, the info line and the
// file details text, all derived from the image and the size of the file behind it.

#include <QString>

#include "engine/core/image.h"

namespace ximora::editor {

/// A number with thousands separators ("##,###"); 0 gives an empty text.
QString formatThousands(qint64 value);

/// The colour code text: bits per pixel, or 40 / 80 for 4 / 8-bit grey, followed by ".".
QString colourCodeText(const engine::Image& image);

/// Whether "." + code occurs in a dotted list such as ".16.24.32." (code given as "24.").
bool codeIn(const QString& code, const QString& dottedList);

/// The info line: "ｲﾒｰｼﾞｻｲｽﾞ:" data size, colours, bits, the file size when not 0, and the
/// number of pages of the file when it holds more than one ("  ﾍﾟｰｼﾞ数:3").
QString infoText(const engine::Image& image, qint64 fileSize, int pages = 1);

/// Pages or frames of the image file at `path` (engine::countPages: multi-page TIFF; animated
/// GIF, PNG, WebP, AVIF and JPEG XL; HEIF collections), 1 for other files, untitled images and
/// files that cannot be read. Remembered per thread while the file's size and time stay the
/// same, since the info line asks after every edit.
int filePages(const QString& path);

/// The "ﾌｧｲﾙの詳細" text, lines separated by carriage returns. Resolutions of 0 come as 72.
QString detailsText(const engine::Image& image, qint64 fileSize);

}  // namespace ximora::editor
