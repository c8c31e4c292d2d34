#pragma once
// The instances of an ISO 10303-21 exchange file ("STEP Part 21"): typed values, references
// between instances, complex instances made of several partial ones. Only the data section is
// kept, and the header's originating system.
// https://www.iso.org/standard/63141.html (the clear text encoding of the exchange structure)

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ximora::vector {

struct StepValue {
    enum class Kind { Missing, Derived, Number, String, Enum, Ref, List, Typed, Binary };
    Kind kind = Kind::Missing;
    double number = 0;             ///< Number; the instance number of a Ref
    std::string text;              ///< String (UTF-8), Enum (without dots), Typed (its type)
    std::vector<StepValue> items;  ///< List; the one value of a Typed
};

/// One entity of an instance: its name in upper case and its attribute values.
struct StepPart {
    std::string name;
    std::vector<StepValue> params;
};

/// A simple instance has one part; a complex one several, in the order of the file.
struct StepInstance {
    std::vector<StepPart> parts;
    /// The part of that name, or nullptr.
    const StepPart* part(std::string_view name) const;
    /// The name of a simple instance; empty for a complex one.
    std::string_view name() const {
        return parts.size() == 1 ? std::string_view(parts[0].name) : "";
    }
};

class StepFile {
  public:
    /// Reads `text` (UTF-8). A damaged instance in the data section is left out and counted
    /// (skipped()), and a file cut short keeps what it has (counted as one). False with
    /// kErrBadFile when it is no exchange file, kErrFileBroken when its header is damaged or no
    /// instance could be read, kErrMemory when it holds more instances or values than the
    /// limits.
    bool parse(std::string_view text);
    /// The instances left out as damaged, and one for a file cut short.
    int skipped() const { return skipped_; }

    const StepInstance* find(int64_t id) const;
    const std::unordered_map<int64_t, StepInstance>& instances() const { return instances_; }
    /// The originating system of the header's FILE_NAME ("SCADEC_API_Ver3.30$$3.1").
    const std::string& originatingSystem() const { return system_; }

  private:
    std::unordered_map<int64_t, StepInstance> instances_;
    std::string system_;
    int skipped_ = 0;
};

}  // namespace ximora::vector
