#pragma once
// `ximora-batch thumbs [--size N] [--beside] DIR...`

namespace ximora::batch {

/// Builds or refreshes each folder's thumbnail cache file where the browser looks for it:
/// beside the images with --beside, else in the user data folder's "Thumb/". `argv` holds the
/// arguments after "thumbs". Prints one tab-separated line per folder (folder, cache file,
/// files, taken from the cache, made, failed); errors go to stderr as "DIR: error N: TEXT".
/// Returns 0, 1 when any folder failed, 2 for bad arguments.
int thumbsCommand(int argc, char** argv);

}  // namespace ximora::batch
