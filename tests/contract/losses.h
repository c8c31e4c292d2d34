#pragma once
// What a write that replaces a fixture's own file must ask about (or refuse) instead of losing
// it quietly: the pages no format the program writes can hold, 16-bit samples the written
// format cannot hold, and the whole file when its format is one the program only reads.

#include <QString>

#include "contract/expectations.h"
#include "contract/fixtures.h"

namespace ximora::contract {

/// Whether replacing the fixture's file with a picture saved as `ext` loses something, after a
/// right turn (which keeps 16-bit samples).
inline bool replacingLoses(const Fixture& source, const QString& ext) {
    return (source.properties & kPages) ||
           ((source.properties & kDeep) && !targetHolds(ext, kDeep)) ||
           readOnlyExtensions().contains(ext);
}

}  // namespace ximora::contract
