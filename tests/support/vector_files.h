#pragma once
// Small vector drawings written byte by byte for the tests: a 200 × 100 pixel page whose left
// half is a red square (WMF, EMF), and a line with a circle on it (DXF).

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

namespace ximora::test {

class LeBytes {
  public:
    LeBytes& u16(uint16_t v) {
        bytes_.append(char(v & 0xFF)).append(char(v >> 8));
        return *this;
    }
    LeBytes& u32(uint32_t v) { return u16(uint16_t(v & 0xFFFF)).u16(uint16_t(v >> 16)); }
    const QByteArray& bytes() const { return bytes_; }

  private:
    QByteArray bytes_;
};

/// A placeable WMF of 200 × 100 pixels (96 units per inch) with a red filled rectangle
/// over the left half; without `placeable` the plain metafile (size from the records).
/// `colour` (0x00BBGGRR) fills the rectangle in another colour.
inline QByteArray redSquareWmf(bool placeable = true, uint32_t colour = 0x000000FF) {
    LeBytes records;
    records.u32(5).u16(0x020B).u16(0).u16(0);              // SETWINDOWORG y, x
    records.u32(5).u16(0x020C).u16(100).u16(200);          // SETWINDOWEXT y, x
    records.u32(7).u16(0x02FC).u16(0).u32(colour).u16(0);  // CREATEBRUSHINDIRECT
    records.u32(4).u16(0x012D).u16(0);                     // SELECTOBJECT 0
    records.u32(4).u16(0x0106).u16(0);                     // SETPOLYFILLMODE (ignored content)
    records.u32(7).u16(0x041B).u16(100).u16(100).u16(0).u16(0);  // RECTANGLE b, r, t, l
    records.u32(3).u16(0x0000);                                  // EOF
    LeBytes out;
    if (placeable) {
        LeBytes head;
        head.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(200).u16(100).u16(96).u32(0);
        uint16_t sum = 0;
        for (int i = 0; i < 20; i += 2)
            sum ^= uint16_t(uint8_t(head.bytes()[i]) | (uint8_t(head.bytes()[i + 1]) << 8));
        head.u16(sum);
        out = head;
    }
    const uint32_t words = uint32_t(9 + records.bytes().size() / 2);
    out.u16(1).u16(9).u16(0x0300).u32(words).u16(1).u32(7).u16(0);
    QByteArray bytes = out.bytes();
    return bytes.append(records.bytes());
}

/// An EMF of 200 × 100 pixels with a red filled rectangle over the left half; `frame` false
/// leaves both the frame and the bounds empty (a drawing without a size).
inline QByteArray redSquareEmf(bool sized = true) {
    LeBytes records;
    records.u32(39).u32(24).u32(1).u32(0).u32(0x000000FF).u32(0);  // CREATEBRUSHINDIRECT
    records.u32(37).u32(12).u32(1);                                // SELECTOBJECT
    records.u32(43).u32(24).u32(0).u32(0).u32(100).u32(100);       // RECTANGLE
    records.u32(14).u32(20).u32(0).u32(16).u32(20);                // EOF
    const uint32_t headerBytes = 108;
    const uint32_t total = headerBytes + uint32_t(records.bytes().size());
    const uint32_t w = sized ? 199 : 0, h = sized ? 99 : 0;
    const uint32_t fw = sized ? 5292 : 0, fh = sized ? 2646 : 0;
    LeBytes head;
    head.u32(1).u32(headerBytes);
    head.u32(0).u32(0).u32(w).u32(h);    // bounds, device pixels
    head.u32(0).u32(0).u32(fw).u32(fh);  // frame, 0.01 mm
    head.u32(0x464D4520).u32(0x10000).u32(total).u32(5);
    head.u16(2).u16(0).u32(0).u32(0).u32(0);            // handles, reserved, description, palette
    head.u32(1920).u32(1080).u32(508).u32(286);         // device pixels and millimetres
    head.u32(0).u32(0).u32(0).u32(508000).u32(285750);  // pixel format, OpenGL, micrometres
    QByteArray bytes = head.bytes();
    return bytes.append(records.bytes());
}

/// A DXF drawing 100 × 50 units: a line from (0, 0) to (100, 50) and a circle of radius 10
/// around (50, 25).
inline QByteArray lineAndCircleDxf() {
    return QByteArray(
        "0\nSECTION\n2\nENTITIES\n"
        "0\nLINE\n8\n0\n10\n0.0\n20\n0.0\n30\n0.0\n11\n100.0\n21\n50.0\n31\n0.0\n"
        "0\nCIRCLE\n8\n0\n10\n50.0\n20\n25.0\n30\n0.0\n40\n10.0\n"
        "0\nENDSEC\n0\nEOF\n");
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace ximora::test
