#include "browser/thumbnail_layout_settings.h"

#include <cmath>

#include "settings/y_ini.h"

namespace ximora::browser {
namespace {

const QString kColumns = QStringLiteral("列数");
const QString kRows = QStringLiteral("行数");
const QString kSize = QStringLiteral("PC_SIZE");
const QString kNames = QStringLiteral("DISP_NAME");

int whole(double value) { return int(std::lround(value)); }

}  // namespace

ThumbnailLayout loadThumbnailLayout(const QString& group, const ThumbnailLayout& defaults) {
    ThumbnailLayout layout = defaults;
    settings::YIni* store = settings::yIni();
    if (!store) return layout;
    store->GetGtx(group);
    layout.columns = whole(store->vGtVal(kColumns, layout.columns));
    layout.rows = whole(store->vGtVal(kRows, layout.rows));
    layout.size = whole(store->vGtVal(kSize, layout.size));
    layout.showNames = store->vGtVal(kNames, layout.showNames);
    return layout;
}

void storeThumbnailLayout(const ThumbnailLayout& layout, const QString& group) {
    settings::YIni* store = settings::yIni();
    if (!store) return;
    store->GetGtx(group);
    store->SetVal(kColumns, layout.columns);
    store->SetVal(kRows, layout.rows);
    store->SetVal(kSize, layout.size);
    store->SetVal(kNames, layout.showNames);
    store->SetGtx();
}

}  // namespace ximora::browser
