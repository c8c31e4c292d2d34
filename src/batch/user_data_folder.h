#pragma once
// The user data folder as `ximora` resolves it, so that `ximora-batch` finds the same caches.

#include <string>

namespace ximora::batch {

/// The user data folder, ending in "/": chosen by the pointer file "UserData.ini" beside the
/// program ("%app%" → the program folder's "usData/"; "%doc…" or "%my document%" → the
/// documents folder + "/Quorvel/ximora/"; an existing folder → that folder; anything else or
/// no file → $XDG_DATA_HOME/Quorvel/ximora/). Only reads; creates nothing.
std::string userDataFolder();

}  // namespace ximora::batch
