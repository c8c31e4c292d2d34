#pragma once
// What the decode worker may do once it is confined: read the files it is handed and the
// libraries' own files, compute, and answer on its socket. It can create no file and write
// none, open no socket, start no program, trace or signal no other process, and take no more
// memory or processor time than it is given.

#include <cstdint>
#include <string>

namespace ximora::decode {

struct Confinement {
    uint64_t memoryBytes = 0;  ///< address space; 0: not limited
    int cpuSeconds = 0;        ///< processor time in all; 0: not limited
};

/// What confine() achieved, for the worker's report.
struct ConfinementReport {
    bool seccomp = false;
    int landlockAbi = 0;  ///< 0 when the kernel has no Landlock
    std::string problem;  ///< why confine() failed
};

/// Confines the calling process, for good; every thread it starts later inherits it. False
/// (with `report.problem`) when a step the worker must not go without failed: no new
/// privileges, the limits and the seccomp filter. Landlock is used where the kernel has it.
bool confine(const Confinement& limits, ConfinementReport& report);

}  // namespace ximora::decode
