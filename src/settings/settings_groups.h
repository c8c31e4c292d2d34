#pragma once
// The groups of "User.xml". Keys are named where they are read and written; every key of a
// group is written in one pass between GetGtx and SetGtx.

namespace ximora::settings {

inline constexpr const char* kGroupScreen = "画面";    ///< window geometry, panes, stamp, editors
inline constexpr const char* kGroupSettings = "設定";  ///< editor, browser and storage settings
inline constexpr const char* kGroupMacro = "マクロ";   ///< COMMAND: the macro list, CR LF as "~"
inline constexpr const char* kGroupThumbList = "THUMB_LIST";  ///< the browser's thumbnail layout
inline constexpr const char* kGroupThumb = "THUMB";           ///< the thumbnail window

/// The memory budget in megabytes (0 = automatic), in group 設定; read by the program at start
/// and by ximora-batch.
inline constexpr const char* kKeyMemoryLimit = "ﾒﾓﾘ上限";

/// The full-screen slideshow's interval in seconds (1 to 3600), in group 設定.
inline constexpr const char* kKeySlideshowInterval = "ｽﾗｲﾄﾞｼｮｰ間隔";

/// Whether pictures are decoded in confined worker processes (1, the default) or in the
/// program itself (0, for trusted files only), in group 設定.
inline constexpr const char* kKeyDecodeInWorkers = "ﾃﾞｺｰﾄﾞ隔離";

/// TMB_DR (thumbnail cache beside the images) is read and written in this one group, so a
/// value saved is the value loaded.
inline constexpr const char* kGroupOfTmbDr = kGroupSettings;

}  // namespace ximora::settings
