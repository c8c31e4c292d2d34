#pragma once
// The contract every write keeps, as the tests judge a written file: the bytes are in the
// format the name says, and whatever the source held that the target format can hold is still
// there (the same transparency, the GPS position and camera of its EXIF, its XMP, its profile,
// its 16-bit samples, its grey levels).

#include <QString>
#include <QStringList>

#include "contract/fixtures.h"
#include "engine/core/image.h"

namespace ximora::contract {

/// Whether the format written under `ext` holds `property`. Pages are held by no format the
/// program writes: a write that would lose them asks (or is refused) instead.
bool targetHolds(const QString& ext, Property property);

/// How the written picture relates to the source's pixels.
enum class Moved { No, TurnedRight };

/// Checks `written` against the fixture it was made from, saved under extension `ext`:
/// the format by name, then every property the fixture holds that the target holds. Adds a
/// test failure naming the write path `how` for each difference.
void expectKept(const Fixture& source, const QString& written, const QString& ext, Moved moved,
                const QString& how);

/// The source fixture decoded as the engine opens it (a whole picture with what its file
/// holds).
engine::Image decoded(const QString& path);

}  // namespace ximora::contract
