#include "editor/scan/sane_library.h"

namespace ximora::editor {

const SaneLibrary* saneLibrary() {
    static const engine::LibraryTable<SaneLibrary> table({XIMORA_SANE_SONAME});
    return table.functions();
}

}  // namespace ximora::editor
