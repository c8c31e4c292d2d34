#pragma once
// The files the write contract is tried on: for every format the program reads, one file for
// each property that format can hold (transparency, palette transparency, pages, EXIF with GPS
// plus XMP plus an ICC profile, 16-bit samples, grey). Made by the engine's own writers where
// they write the property, by libpng and libtiff for 16-bit samples and pages, by exiftool (an
// independent writer) for EXIF, GPS and XMP, and taken from tests/data/modern-formats (made by
// the formats' own tools) for the formats the program only reads.

#include <QString>
#include <vector>

namespace ximora::contract {

/// What a file holds beyond its pixels. A file may hold several (the metadata files hold
/// EXIF with GPS, XMP and an ICC profile).
enum Property : unsigned {
    kAlpha = 1,                ///< an alpha channel with transparent and half-transparent pixels
    kPaletteTransparency = 2,  ///< a palette entry (or colour key) that is transparent
    kPages = 4,                ///< several pages or frames
    kExifGps = 8,              ///< EXIF with a GPS directory
    kXmp = 16,                 ///< an XMP packet
    kIcc = 32,                 ///< an ICC colour profile
    kDeep = 64,                ///< samples of more than 8 bits
    kGrey = 128,               ///< grey levels only, stored as such
};

/// The name of a property for test output.
const char* propertyName(Property property);

/// One file the contract is tried on.
struct Fixture {
    QString name;  ///< "png-alpha": format and property, for test output and file names
    QString ext;   ///< the file's extension, lower case
    unsigned properties = 0;
    QString path;  ///< the file (never changed by the tests: they work on copies)
};

/// The marker values the metadata files hold, which a kept block must still hold.
inline constexpr double kGpsLatitudeDegrees = 35.0, kGpsLatitudeMinutes = 30.0;
inline constexpr const char* kXmpMarker = "ximora-contract-title";

/// Every fixture, made once per process in a temporary folder that lasts as long. Fixtures that
/// a tool of this machine could not make are left out and named in `skipped`.
const std::vector<Fixture>& fixtures(QStringList* skipped = nullptr);

/// The ICC profile the metadata files carry.
const std::vector<uint8_t>& fixtureProfile();

/// Every extension the program writes, and the formats it only reads.
const QStringList& writableExtensions();
const QStringList& readOnlyExtensions();

}  // namespace ximora::contract
