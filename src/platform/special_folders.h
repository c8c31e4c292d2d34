#pragma once
// The special folders the program asks for by the numbers of its original platform.

#include <QString>

namespace ximora::platform {

/// Special folder numbers understood by specialFolder().
enum SpecialFolder : int {
    kFolderDocuments = 5,  ///< the XDG documents folder, or $HOME when it does not exist
    kFolderSendTo = 9,     ///< $XDG_DATA_HOME/applications (desktop entries for "Open With")
    kFolderAppData = 26,   ///< $XDG_DATA_HOME (default ~/.local/share)
};

/// The folder's path without a trailing separator; empty for an unknown number or when the
/// environment gives no home.
QString specialFolder(int number);

}  // namespace ximora::platform
