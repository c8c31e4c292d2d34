#include "app/image_store.h"

#include <QFile>

#include <cerrno>

#include "app/result_naming.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/formats/format_rules.h"
#include "platform/file_names.h"

namespace ximora::app {

bool storeImage(const engine::Image& image, const QString& folder, const QString& prefix,
                const QString& extension, int quality, QString& path) {
    const QString ext = extension.isEmpty() ? QStringLiteral("jpg") : extension.toLower();
    int number = nextStoreNumber(folder, prefix, ext);
    path = folder + "/" + storeFileName(prefix, number, ext);
    if (engine::isReadOnlyExtension(ext.toStdString()))
        return engine::fail(engine::kErrUnsupported);
    // The stored copy gets the depth its format needs; the document stays as it is.
    engine::Image copy = image;
    if (!engine::prepareForExtension(copy, ext.toStdString(), copy.colourCode())) return false;
    engine::SaveOptions options;
    options.format = engine::editorSaveFormat(ext.toStdString());
    options.jpegQuality = quality > 0 ? quality : 75;
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (engine::saveImage(platform::encodePath(path).toStdString(), copy, options,
                              engine::Existing::Keep))
            return true;
        if (engine::lastErrorReason() != EEXIST) return false;
        path = folder + "/" + storeFileName(prefix, ++number, ext);
    }
    return false;
}

}  // namespace ximora::app
