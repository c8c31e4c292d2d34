#pragma once
// The program's dealings with the desktop: help and other pages through link files opened with
// the default handler, the "Open With" desktop entry, opening files and showing folders.

#include <QString>

namespace ximora::app {

/// Base address of the help pages (ends in "/"): setting HELP_URL of group 設定, or the
/// program's own site.
QString helpBaseAddress();

/// The page file name for `page`: lower-cased, ".htm" appended when it has no ".".
QString helpPageName(const QString& page);

/// Writes `link` as a freedesktop link file to `url`; false when it cannot be written.
bool writeLinkFile(const QString& link, const QString& url);

/// Opens a help page through the link file sUsrDir + sExeNm + "_help.desktop". Failures are
/// silent.
void W_Help(const QString& page);
/// Opens a URL or path through the link file sUsrDir + "Wrk/htm_view.desktop". Silent.
void W_HtmView(const QString& url);
/// The text of the "Open With" entry of the program `program` named `name`: its Exec key
/// quoted and escaped so that any path starts that program with the file.
QString openWithEntry(const QString& name, const QString& program);

/// Writes the desktop entry sExeNm + ".desktop" into $XDG_DATA_HOME/applications so that file
/// managers offer the program under "Open With", and confirms it with a message. Silent on
/// failure.
void W_SendTo();
/// `open`: the desktop opens the path, whatever it is; otherwise an existing folder is shown in
/// the file manager. An empty path does nothing.
void W_ExpFd(const QString& path, bool open);

}  // namespace ximora::app
