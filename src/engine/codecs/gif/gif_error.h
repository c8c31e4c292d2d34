#pragma once
// giflib reports failures as numbered codes; this is the one place they become engine codes.

namespace ximora::engine {

/// The engine error code for a giflib D_GIF_ERR_* or E_GIF_ERR_* code.
int gifErrorCode(int giflibError);

/// Sets the engine error for a giflib code, with giflib's words for it, and returns false.
bool failWithGifError(int giflibError);

}  // namespace ximora::engine
