#pragma once
// The questions a save asks before it replaces a file or loses what a file holds, and the
// message for a format the program only reads. Through the message service, so that tests
// script the answers and automation and ximora-batch answer with the default (No).

#include <QString>

namespace ximora::editor {

/// A Yes/No question whose default is No: nothing is lost by not answering. True for Yes.
bool askBeforeLoss(const QString& text);

/// Asks before an existing file at `path` is replaced by a save under a name the user chose
/// ("名前を付けて保存"), saying how many pages a file of several pages loses. True when it may
/// be replaced (also when there is no such file).
bool confirmReplace(const QString& path);

/// "このﾌｧｲﾙは読み取り専用です": the line a question about replacing such a file begins with.
QString readOnlyFileMessage();

/// "この形式(HEIC)では保存できません": the message for a name whose format (`ext`) the program
/// only reads.
QString readOnlyFormatMessage(const QString& ext);

}  // namespace ximora::editor
