#pragma once
// Builds launch-file records byte by byte, as a calling program writes them, for the tests of
// the record reader and of the program run.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>
#include <cstring>

#include "platform/cp932.h"

namespace launch_bytes {

/// A fixed-width CP932 text field padded with spaces.
inline QByteArray field(const QString& text, int width) {
    return ximora::platform::toCp932(text)->leftJustified(width, ' ');
}
/// A little-endian IEEE single.
inline QByteArray single(float value) {
    quint32 bits;
    std::memcpy(&bits, &value, 4);
    QByteArray b(4, '\0');
    qToLittleEndian(bits, b.data());
    return b;
}
inline QByteArray i16(qint16 v) {
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
inline QByteArray i32(qint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
/// The file's bytes; a missing file reads as a marker no record equals.
inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace launch_bytes
