#pragma once
// What the program put on the clipboard, as bytes another process can turn back into the same
// mime data: every format's data as it stands and the picture pixel for pixel (pixel format,
// colour table and resolution included), so a copy served by that process offers exactly the
// formats the program offered.

#include <QByteArray>
#include <QMimeData>
#include <memory>

namespace ximora::platform {

/// The bytes of `data`; empty when they cannot be written (out of memory).
QByteArray encodeClipboard(const QMimeData& data);

/// The mime data of `bytes`; null when they are not a whole payload of encodeClipboard.
std::unique_ptr<QMimeData> decodeClipboard(const QByteArray& bytes);

}  // namespace ximora::platform
