#include "engine/formats/format_rules.h"

#include "engine/colour/colour_reduce.h"
#include "engine/core/deep_samples.h"

namespace ximora::engine {
namespace {

struct FormatRule {
    std::string_view extension;
    int editorFormat;      // the editor's save
    int conversionFormat;  // file conversion
    std::string_view acceptedCodes;
    bool deepSamples = false;  // stores 16-bit samples
};

constexpr std::string_view kJpegCodes = ".80.24.";
constexpr std::string_view kPngCodes = ".1.4.40.8.80.24.";
constexpr std::string_view kGifCodes = ".1.4.40.8.80.";

// JPEG 2000 names get JPEG 2000 data from both the editor and file conversion (and the JPEG
// rule for colour codes, as in the save-as dialog). Every name the engine writes a format for is
// here: an extension missing from this table gets BMP data from the editor's save.
constexpr FormatRule kRules[] = {
    {"bmp", 1, 0, ""},
    {"jpg", 2, 2, kJpegCodes},
    {"gif", 4, 4, kGifCodes},
    {"tif", 5, 5, "", true},
    {"png", 12, 12, kPngCodes, true},
    {"fpx", 13, 13, kJpegCodes},
    {"pcx", 16, 16, kPngCodes},
    {"jp2", 21, 21, kJpegCodes},
    {"j2k", 22, 22, kJpegCodes},
    {"jpc", 22, 22, kJpegCodes},
    // Other names of the same formats: a photo "p.jpeg" stays a JPEG file when it is saved
    // over, never BMP bytes under a JPEG name.
    {"jpeg", 2, 2, kJpegCodes},
    {"jpe", 2, 2, kJpegCodes},
    {"jfif", 2, 2, kJpegCodes},
    {"tiff", 5, 5, "", true},
    // Formats added later: WebP takes every depth (its encoder widens palettes to RGB).
    {"webp", 30, 30, ""},
};

// Formats the program only reads, by the extensions their files go under.
constexpr std::string_view kReadOnly[] = {"heic", "heif", "hif", "avif", "jxl", "svg",
                                          "svgz", "sfc",  "p21", "wmf",  "emf", "dxf"};

const FormatRule* ruleFor(std::string_view extension) {
    for (const FormatRule& rule : kRules)
        if (rule.extension == extension) return &rule;
    return nullptr;
}

// What conversion a save needs before the code rules apply: none (the image keeps what the
// format holds), or the transparent-palette reduction for GIF.
enum class Keep { ByCode, AsItIs, TransparentPalette };

Keep keepFor(std::string_view extension, const Image& image) {
    const FormatRule* rule = ruleFor(extension);
    if (!rule || image.empty()) return Keep::ByCode;
    if (rule->deepSamples && currentDeepSamples(image)) return Keep::AsItIs;
    if (image.bitsPerPixel() != 32 || !hasTransparency(image)) return Keep::ByCode;
    if (extension == "png") return Keep::AsItIs;
    if (rule->acceptedCodes == kGifCodes) return Keep::TransparentPalette;
    return Keep::ByCode;
}

}  // namespace

std::string lowerExtension(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string extension(name.substr(dot + 1));
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return extension;
}

int editorSaveFormat(std::string_view extension) {
    const FormatRule* rule = ruleFor(extension);
    return rule ? rule->editorFormat : 0;
}

int conversionSaveFormat(std::string_view extension) {
    const FormatRule* rule = ruleFor(extension);
    return rule ? rule->conversionFormat : 2;
}

std::string_view acceptedColourCodes(std::string_view extension) {
    const FormatRule* rule = ruleFor(extension);
    return rule ? rule->acceptedCodes : std::string_view{};
}

int requiredColourCode(std::string_view extension, int code) {
    const std::string_view accepted = acceptedColourCodes(extension);
    if (accepted.empty()) return 0;
    if (accepted.find("." + std::to_string(code) + ".") != std::string_view::npos) return 0;
    return accepted == kGifCodes ? 8 : 24;
}

int requiredColourCode(std::string_view extension, const Image& image, int code) {
    switch (keepFor(extension, image)) {
        case Keep::AsItIs:
            return 0;
        case Keep::TransparentPalette:
            return 8;
        case Keep::ByCode:
            break;
    }
    return requiredColourCode(extension, code);
}

bool keepsDeepSamples(std::string_view extension) {
    const FormatRule* rule = ruleFor(extension);
    return rule && rule->deepSamples;
}

bool isReadOnlyExtension(std::string_view extension) {
    for (std::string_view name : kReadOnly)
        if (name == extension) return true;
    return false;
}

bool prepareForExtension(Image& image, std::string_view extension, int code) {
    switch (keepFor(extension, image)) {
        case Keep::AsItIs:
            return true;
        case Keep::TransparentPalette:
            return reduceKeepingTransparency(image);
        case Keep::ByCode:
            break;
    }
    const int target = requiredColourCode(extension, code);
    if (target == 0) return true;
    ColourReduction params;
    params.code = target;
    params.errorDiffusion = true;
    params.threshold = 50;
    return reduceColours(image, params);
}

}  // namespace ximora::engine
