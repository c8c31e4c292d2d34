#include "editor/document/save_rules.h"

#include "editor/document/colour_steps.h"
#include "editor/document/picture_facts.h"
#include "engine/codecs/codec.h"

namespace ximora::editor {
namespace {

struct ExtensionRule {
    const char* ext;
    int format;
    const char* accepted;  // dotted list of accepted codes; nullptr: every code
    int convertTo;
};

const ExtensionRule kRules[] = {
    {"bmp", engine::kSaveBmpRle, nullptr, 0},          {"jpg", engine::kSaveJpeg, ".80.24.", 24},
    {"gif", engine::kSaveGif, ".1.4.40.8.80.", 8},     {"tif", engine::kSaveTiff, nullptr, 0},
    {"png", engine::kSavePng, ".1.4.40.8.80.24.", 24}, {"fpx", engine::kSaveFpx, ".80.24.", 24},
    {"pcx", engine::kSavePcx, ".1.4.40.8.80.24.", 24},
};

const ExtensionRule* ruleFor(const QString& ext) {
    for (const ExtensionRule& rule : kRules)
        if (ext.compare(QLatin1StringView(rule.ext), Qt::CaseInsensitive) == 0) return &rule;
    return nullptr;
}

}  // namespace

int saveFormatForExtension(const QString& ext) {
    const ExtensionRule* rule = ruleFor(ext);
    return rule ? rule->format : engine::kSaveBmp;
}

bool convertForExtension(engine::Image& image, const QString& ext) {
    const ExtensionRule* rule = ruleFor(ext);
    if (!rule || !rule->accepted) return true;
    const QString code = colourCodeText(image);
    if (codeIn(code, QString::fromLatin1(rule->accepted))) return true;
    // A 24-bit image is never converted for a format other than GIF.
    if (code == QStringLiteral("24.") && rule->convertTo == 24) return true;
    return changeColourCode(image, rule->convertTo);
}

}  // namespace ximora::editor
