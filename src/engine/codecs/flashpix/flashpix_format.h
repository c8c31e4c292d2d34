#pragma once
// The parts of the FlashPix format (version 1.0.1, Digital Imaging Group, 1997) that the reader and
// the writer share: names, class and format identifiers, property identifiers and the layout of
// subimage streams.

#include <cstdint>
#include <string>

#include "engine/codecs/flashpix/compound_file.h"

namespace ximora::engine::flashpix {

inline const ClassId& imageViewClass() {
    static const ClassId id = classIdFromText("56616700-C154-11CE-8553-00AA00A1F95B");
    return id;
}
inline const ClassId& imageObjectClass() {
    static const ClassId id = classIdFromText("56616000-C154-11CE-8553-00AA00A1F95B");
    return id;
}
inline const ClassId& resolutionClass() {
    static const ClassId id = classIdFromText("56616100-C154-11CE-8553-00AA00A1F95B");
    return id;
}
inline const ClassId& imageContentsFormat() {
    static const ClassId id = classIdFromText("56616400-C154-11CE-8553-00AA00A1F95B");
    return id;
}
inline const ClassId& dataObjectFormat() {
    static const ClassId id = classIdFromText("56616080-C154-11CE-8553-00AA00A1F95B");
    return id;
}
inline const ClassId& globalInfoFormat() {
    static const ClassId id = classIdFromText("56616F00-C154-11CE-8553-00AA00A1F95B");
    return id;
}
inline const ClassId& summaryInformationFormat() {
    static const ClassId id = classIdFromText("F29F85E0-4FF9-1068-AB91-08002B27B3D9");
    return id;
}
inline const ClassId& subimageHeaderClass() {
    static const ClassId id = classIdFromText("00010000-C154-11CE-8553-00AA00A1F95B");
    return id;
}
inline const ClassId& subimageDataClass() {
    static const ClassId id = classIdFromText("00010100-C154-11CE-8553-00AA00A1F95B");
    return id;
}

/// Every FlashPix class identifier ends in these eight bytes (C154-11CE-8553-00AA00A1F95B).
bool isFlashPixClass(const ClassId& id);

inline constexpr char kImageStore[] = "Data Object Store 000001";
inline constexpr char kImageContents[] = "\005Image Contents";
inline constexpr char kSummaryInformation[] = "\005SummaryInformation";
inline constexpr char kCompObj[] = "\001CompObj";
inline constexpr char kGlobalInfo[] = "\005Global Info";
inline constexpr char kSourceDescription[] = "\005Data Object 000001";
inline constexpr char kSubimageHeader[] = "Subimage 0000 Header";
inline constexpr char kSubimageData[] = "Subimage 0000 Data";

/// "Resolution 0000" is the smallest level; the highest number is the full image.
std::string resolutionName(int level);

// Image Contents properties; per-level ones add (level << 16), JPEG tables (index << 16).
inline constexpr uint32_t kPidResolutionCount = 0x01000000;
inline constexpr uint32_t kPidWidth = 0x01000002;
inline constexpr uint32_t kPidHeight = 0x01000003;
inline constexpr uint32_t kPidDisplayHeight = 0x01000004;
inline constexpr uint32_t kPidDisplayWidth = 0x01000005;
inline constexpr uint32_t kPidDisplayUnits = 0x01000006;
inline constexpr uint32_t kPidSubimageWidth = 0x02000000;
inline constexpr uint32_t kPidSubimageHeight = 0x02000001;
inline constexpr uint32_t kPidSubimageColour = 0x02000002;
inline constexpr uint32_t kPidNumericalFormat = 0x02000003;
inline constexpr uint32_t kPidDecimation = 0x02000004;
inline constexpr uint32_t kPidJpegTables = 0x03000001;
inline constexpr uint32_t kPidMaxJpegTable = 0x03000002;
inline constexpr uint32_t kPidCodePage = 1;
inline constexpr uint32_t kPidComments = 6;
inline constexpr uint32_t kPidApplication = 18;

// Display size units of kPidDisplayUnits.
inline constexpr uint32_t kUnitInch = 0, kUnitMetre = 1, kUnitCentimetre = 2, kUnitMillimetre = 3;

// Channel colours of kPidSubimageColour: bits 16-30 the colour space, bit 31 "uncalibrated",
// bit 15 set on colour channels premultiplied by an opacity channel, bits 0-14 the channel.
inline constexpr uint32_t kSpaceMonochrome = 1, kSpacePhotoYcc = 2, kSpaceNifRgb = 3;
inline constexpr uint32_t kPremultiplied = 0x8000;
inline constexpr uint32_t kOpacityChannel = 0x7FFE;

/// Streams other than property sets open with a 28-byte header (byte order, version, system,
/// class id, reserved); every offset inside them counts from its end.
inline constexpr uint32_t kStreamHeader = 28;
inline constexpr uint32_t kSubimageFields = 36;  // the fixed part of a subimage header
inline constexpr uint32_t kTileEntry = 16;       // offset, size, compression, subtype
inline constexpr int kTileSide = 64;

// Tile compression types; a JPEG tile's subtype holds, from its low byte up, the interleave,
// the chroma subsampling, the internal colour conversion flag and the JPEG tables index.
inline constexpr uint32_t kTileRaw = 0, kTileSingleColour = 1, kTileJpeg = 2;

}  // namespace ximora::engine::flashpix
