#include "batch/batch_command.h"

#include <QFile>
#include <istream>
#include <ostream>

#include "engine/core/error.h"
#include "platform/file_names.h"
#include "settings/y_ini.h"
#include "util/shared_values.h"

namespace ximora::batch {

std::string userDataFolder() {
    util::shared().sExeNm = QStringLiteral("ximora");
    settings::YIni store;
    store.W_UserData();
    return platform::encodePath(util::shared().sUsrDir).toStdString();
}

std::string lineSafe(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

void reportFileError(std::ostream& err, const std::string& path, int code) {
    err << lineSafe(path) << ": error " << code << ": " << engine::errorText(code);
    // Why, when this error came with a reason: the system's ("disk full" is something to act
    // on), else the decoder's words ("the decoder stopped: ...").
    if (code == engine::lastError() && !engine::lastErrorWhy().empty())
        err << " (" << engine::lastErrorWhy() << ")";
    err << '\n';
}

std::vector<std::string> readNameList(std::istream& in) {
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) names.push_back(std::move(line));
    }
    return names;
}

}  // namespace ximora::batch
