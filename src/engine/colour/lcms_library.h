#pragma once
// Little CMS's error plumbing: one process-wide context whose error handler keeps quiet, so a
// damaged profile in a file fails its call instead of printing to the terminal.

#include <lcms2.h>

namespace ximora::engine {

/// The context every colour management call of the engine uses (thread-safe, never freed).
cmsContext lcmsContext();

}  // namespace ximora::engine
