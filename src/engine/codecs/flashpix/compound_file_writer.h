#pragma once
// Writing OLE compound files ([MS-CFB], version 3 with 512-byte sectors):
// https://learn.microsoft.com/en-us/openspecs/windows_protocols/ms-cfb/

#include <cstdint>
#include <string>
#include <vector>

#include "engine/codecs/flashpix/compound_file.h"

namespace ximora::engine {

/// Collects storages and streams, then lays them out as one compound file.
class CompoundFileWriter {
  public:
    explicit CompoundFileWriter(const ClassId& rootClass);

    /// Adds a storage under storage `parent` (0 is the root) and returns its number. Names
    /// are ASCII (control characters allowed), at most 31 characters, unique in their storage.
    int addStorage(int parent, const std::string& name, const ClassId& classId);
    /// Adds a stream under storage `parent`.
    void addStream(int parent, const std::string& name, std::vector<uint8_t> data);

    /// The finished file. Fails with error 3 when it would pass the format's 2 TiB sector
    /// numbering or the memory limit.
    bool finish(std::vector<uint8_t>& out) const;

  private:
    struct Node {
        std::string name;
        bool storage = false;
        ClassId classId{};
        std::vector<uint8_t> data;
        std::vector<int> children;
    };
    std::vector<Node> nodes_;
};

}  // namespace ximora::engine
