#pragma once
// The drawing worker's reader (engine::DrawingReader): what the confined worker does with a
// drawing the program hands it.

#include <string>

#include "engine/sandbox/drawing_reading.h"

namespace ximora::vector {

/// Reads the drawing of `ask.kind` in `file`, gives its facts and paints it as asked: at
/// `ask.width` × `ask.height`, or fitted into a square of `ask.fit` pixels. False with the
/// engine's last error and the user's reason (UTF-8) in `message`.
bool readDrawing(engine::ByteSource& file, const engine::DrawingAsk& ask,
                 engine::DrawingFacts& facts, engine::Image& picture, std::string& message);

/// Installs readDrawing() as the engine's drawing reader, in the drawing worker.
void installDrawingReader();

}  // namespace ximora::vector
