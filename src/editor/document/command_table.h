#pragma once
// The editor's command vocabulary: one table of (group, job, handler). Menus, keys, macros and
// the batch program all produce these pairs.

#include <QString>
#include <span>

#include "editor/document/picture_document.h"

namespace ximora::editor {

class CommandTable {
  public:
    struct Row {
        const char* group;
        const char* job;  ///< nullptr: any job of the group not matched by its own row
        ActResult (PictureDocument::*handler)(const QString& job);
        bool needsWindow;  ///< shows or asks through a window; refused without one
    };

    /// The row for a pair, or nullptr when the document does not know it. Rows of parts of the
    /// editor that are not built yet have no handler: their pairs do nothing.
    static const Row* find(const QString& group, const QString& job);
    /// Every row, in menu order.
    static std::span<const Row> rows();
};

}  // namespace ximora::editor
