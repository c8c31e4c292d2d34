#include "app/decoding_settings.h"

#include <algorithm>

#include "engine/core/memory_budget.h"
#include "settings/settings_groups.h"
#include "settings/y_ini.h"
#include "util/decode_workers.h"

namespace ximora::app {

DecodingSettings readDecodingSettings(settings::YIni& store) {
    store.GetGtx(QString::fromUtf8(settings::kGroupSettings));
    DecodingSettings decoding;
    decoding.memoryLimitMb = std::max(
        0, static_cast<int>(store.vGtVal(QString::fromUtf8(settings::kKeyMemoryLimit), 0)));
    decoding.inWorkers = store.vGtVal(QString::fromUtf8(settings::kKeyDecodeInWorkers), true);
    return decoding;
}

void applyDecodingSettings(const DecodingSettings& decoding, bool readyLater) {
    engine::setMemoryLimitMegabytes(decoding.memoryLimitMb);
    // After the budget: the workers are held to it.
    util::useDecodeWorkers(decoding.inWorkers, "ximora", readyLater);
}

}  // namespace ximora::app
