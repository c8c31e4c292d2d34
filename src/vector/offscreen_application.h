#pragma once
// Painting texts and shapes needs a GUI application object; a program without windows gets one
// on the offscreen platform, without a display connection.

namespace ximora::vector {

/// Makes the offscreen GUI application once, unless an application is there already; it is
/// kept to the end. Qt's own notes (a missing runtime folder, font fallbacks) are no business
/// of a script reading the program's standard error; its errors still go there, under
/// `program`'s name (a string that lives as long as the program).
void makeOffscreenApplication(const char* program);

}  // namespace ximora::vector
