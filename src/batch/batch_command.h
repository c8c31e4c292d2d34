#pragma once
// The subcommands of ximora-batch. Each takes the arguments after its name, writes results to
// `out` and problems to `err`, and returns the exit status (0 success, 1 a file failed,
// 2 a usage error).

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace ximora::batch {

using Arguments = std::vector<std::string>;

struct BatchCommand {
    std::string_view name;
    std::string_view usage;  ///< the synopsis after "ximora-batch "
    /// nullptr: the command is carried out by `program`, beside this one.
    int (*run)(const Arguments& args, std::ostream& out, std::ostream& err);
    const char* program = nullptr;
    /// Decode workers kept ready: 0 one per core, 1 for a command that reads one file at a time
    /// (a second worker would only compete with the first for its start).
    int workers = 0;
    /// The workers start with the first file decoded, not with the command (a warm thumbnail
    /// cache decodes none).
    bool workersWhenNeeded = false;
};

/// The synopsis of `run`, which both programs print.
inline constexpr std::string_view kRunUsage =
    "run (-c \"GROUP⇒JOB\")... [--macro TITLE --settings USER.XML] (--out DIR | --in-place) "
    "[--force] [--trace] [--status] (FILE... | -)";

int runInfo(const Arguments& args, std::ostream& out, std::ostream& err);
int runConvert(const Arguments& args, std::ostream& out, std::ostream& err);
int runThumbs(const Arguments& args, std::ostream& out, std::ostream& err);
int runRun(const Arguments& args, std::ostream& out, std::ostream& err);

/// The user data folder as `ximora` beside this program resolves it (same program name, same
/// "UserData.ini"), ending in "/", in the file system's encoding. Sets the shared values
/// `sExeNm` and `sUsrDir` as the program's start does.
std::string userDataFolder();

/// Sets the engine's memory budget from the settings file of the user data folder (group
/// 設定, key ﾒﾓﾘ上限 in megabytes, 0 automatic), as the program does at start.
void applyMemorySetting();

/// Writes "path: error N: TEXT" (the engine's error table) as one line to `err`, with why in
/// brackets when the last error is this one and came with a reason or the decoder's words.
void reportFileError(std::ostream& err, const std::string& path, int code);

/// The argument that stands for a list of names on standard input.
inline constexpr std::string_view kStandardInput = "-";

/// The argument after which every argument is a name, also one that begins with "-" (but "-"
/// itself still stands for standard input).
inline constexpr std::string_view kEndOfOptions = "--";

/// `name` fit for one line of tab-separated output: backslash, newline, tab and carriage return
/// written as \\, \n, \t and \r; every other byte as it is (a name that is no UTF-8 keeps its
/// bytes).
std::string lineSafe(std::string_view name);

/// The names in `in`, one a line (a CR before the line feed is dropped, empty lines skipped),
/// so that a scheduler can hand a command any number of files through a pipe.
std::vector<std::string> readNameList(std::istream& in);

}  // namespace ximora::batch
