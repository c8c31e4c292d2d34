#pragma once
// The programs installed beside the running one (its workers, ximora-batch-run).

#include <string>

namespace ximora::engine {

/// `name` in the running program's own folder; empty when it is not there or not executable.
std::string programBeside(const char* name);

}  // namespace ximora::engine
