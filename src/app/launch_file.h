#pragma once
// Launch files: another program hands over one job in a file PC_FL, PC_CP or PC_HT with the
// extension PDAT (any letter case) and finds the result in the same file afterwards. Each holds
// one fixed binary record: CP932 text fields padded with spaces, little-endian numbers, IEEE
// single floats, 16-bit flags (-1 true, 0 false), no gaps.
//
//   PC_FL (273): path[255] width:f32 height:f32 twips:i16 open:i16 dpi:i32 ok:i16(out)
//   PC_CP  (12): width:f32 height:f32 twips:i16 ok:i16(out)
//   PC_HT (532): folder[255] name[10] result[255](out) width:f32 height:f32 gif:i16(out)
//                ok:i16(out)
//
// The record is rewritten with the result: every byte other than the out fields stays as it was
// read, bytes after the record included. The file is replaced atomically; where its folder
// refuses new files, the record (whose length never changes) is overwritten in place.

#include <QByteArray>
#include <QString>

namespace ximora::app {

enum class LaunchKind { None, File, Clipboard, Folder };

/// The launch kind a path names: its file name upper-cased, the extension after the last "."
/// must be "PDAT" and the rest PC_FL, PC_CP or PC_HT ("pc_fl.pdat" is a file job,
/// "PC_FL.PDAT.bak" none).
LaunchKind launchKindOf(const QString& path);

/// The record size of a kind in bytes (0 for None).
int launchRecordSize(LaunchKind kind);

/// Trims spaces, cuts at the first NUL, trims spaces again.
QString TrimFix(const QString& field);

struct LaunchRecord {
    LaunchKind kind = LaunchKind::None;
    QString path;        ///< PC_FL: the image file; PC_HT: the target folder
    QString name;        ///< PC_HT: the proposed name (stem)
    QString resultPath;  ///< PC_HT out: the file produced, empty for none
    float width = 0;     ///< requested range width, twips or points (0 none)
    float height = 0;
    bool twips = false;  ///< width and height are twips (else points)
    bool open = false;   ///< PC_FL: open the file at start
    qint32 dpi = 0;      ///< PC_FL: output resolution, used when above 0
    bool gif = false;    ///< PC_HT out: the result is a GIF file
    bool ok = false;     ///< out: the user returned a result
    QByteArray bytes;    ///< the whole file as read
};

/// Reads the record of `file`. False with a message text naming the file and the problem
/// when it cannot be opened, is shorter than its record or holds text that is not CP932.
bool readLaunchFile(const QString& file, LaunchKind kind, LaunchRecord& record, QString& error);

/// What makes a record's job impossible, as a message naming the launch file; empty when the
/// job can run. A file job needs a path to a file, or to a new file in an existing folder; a
/// folder job needs a folder that exists or can be made in an existing parent.
QString launchRecordProblem(const QString& file, const LaunchRecord& record);

/// The file's bytes with the out fields of `record` written into the record (and the PC_FL path
/// when it changed). False with a message text when a text does not fit its field in CP932.
bool encodeLaunchFile(const QString& file, const LaunchRecord& record, QByteArray& bytes,
                      QString& error);

/// Rewrites the file with the out fields of `record`, atomically, or in place when its folder
/// refuses new files; on failure the file is left as it was and `error` names it and says why
/// (a full disk says so).
bool writeLaunchFile(const QString& file, const LaunchRecord& record, QString& error);

}  // namespace ximora::app
