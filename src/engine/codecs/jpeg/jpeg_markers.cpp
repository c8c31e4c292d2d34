#include "engine/codecs/jpeg/jpeg_markers.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace ximora::engine {
namespace {

constexpr std::string_view kExifId{"Exif\0\0", 6};
constexpr std::string_view kXmpId{"http://ns.adobe.com/xap/1.0/\0", 29};
constexpr size_t kMaxMarkerPayload = 65533;

bool startsWith(const jpeg_marker_struct* m, std::string_view id) {
    return m->data_length >= id.size() && std::memcmp(m->data, id.data(), id.size()) == 0;
}

void writeWithId(jpeg_compress_struct& cinfo, int marker, std::string_view id,
                 const std::vector<uint8_t>& payload) {
    if (payload.empty() || payload.size() + id.size() > kMaxMarkerPayload) return;
    jpeg_write_m_header(&cinfo, marker, unsigned(id.size() + payload.size()));
    for (char c : id) jpeg_write_m_byte(&cinfo, static_cast<uint8_t>(c));
    for (uint8_t b : payload) jpeg_write_m_byte(&cinfo, b);
}

}  // namespace

void saveJpegMarkers(jpeg_decompress_struct& cinfo) {
    jpeg_save_markers(&cinfo, JPEG_COM, 0xFFFF);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
}

void readJpegMarkers(const jpeg_decompress_struct& cinfo, std::string& comment,
                     Metadata& metadata) {
    bool haveComment = false;
    for (const jpeg_marker_struct* m = cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_COM && !haveComment) {
            comment.assign(reinterpret_cast<const char*>(m->data), m->data_length);
            // A C writer's terminating zero is not part of the text.
            while (!comment.empty() && comment.back() == '\0') comment.pop_back();
            haveComment = true;
        } else if (m->marker == JPEG_APP0 + 1 && startsWith(m, kExifId) && metadata.exif.empty()) {
            metadata.exif.assign(m->data + kExifId.size(), m->data + m->data_length);
        } else if (m->marker == JPEG_APP0 + 1 && startsWith(m, kXmpId) && metadata.xmp.empty()) {
            metadata.xmp.assign(m->data + kXmpId.size(), m->data + m->data_length);
        }
    }
}

void writeJpegMarkers(jpeg_compress_struct& cinfo, const Image& image) {
    writeWithId(cinfo, JPEG_APP0 + 1, kExifId, image.metadata.exif);
    writeWithId(cinfo, JPEG_APP0 + 1, kXmpId, image.metadata.xmp);
    const auto& icc = image.metadata.icc;
    if (!icc.empty()) jpeg_write_icc_profile(&cinfo, icc.data(), unsigned(icc.size()));
    const std::string& text = image.comment;
    for (size_t at = 0; at < text.size(); at += kMaxMarkerPayload) {
        const size_t n = std::min(kMaxMarkerPayload, text.size() - at);
        jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(text.data() + at),
                          unsigned(n));
    }
}

}  // namespace ximora::engine
