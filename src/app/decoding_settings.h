#pragma once
// How the window decodes files, as the settings say: the memory budget every decode is held to,
// and whether files are decoded in confined workers.

namespace ximora::settings {
class YIni;
}

namespace ximora::app {

struct DecodingSettings {
    int memoryLimitMb = 0;  ///< 0: automatic
    bool inWorkers = true;
};

/// The decoding keys of the settings group, as `store` holds them.
DecodingSettings readDecodingSettings(settings::YIni& store);

/// Holds the engine to the budget, then starts or stops the decode workers: started ahead only
/// once the window is on screen when `readyLater` (a file read before then starts the worker it
/// needs).
void applyDecodingSettings(const DecodingSettings& decoding, bool readyLater);

}  // namespace ximora::app
