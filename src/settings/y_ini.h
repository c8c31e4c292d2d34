#pragma once
// The settings store: where the user's data lives (the user data folder chosen through the
// pointer file "UserData.ini" beside the program) and the user environment file "User.xml",
// kept in memory as one text and read and written by plain text search. The file is CP932 with
// CR LF line ends:
//
//   <?xml version='1.0' encoding='Shift-JIS' ?>
//   <運用>
//      <GROUP>
//         <KEY>value</KEY>          (6 spaces before each value)
//      </GROUP>                     (3 spaces before group tags)
//   </運用>
//
// Calling order: W_UserData once; F_ChkSb and GetTxt once; then any number of passes of GetGtx,
// vGtVal / SetVal, SetGtx; SetTxt once at the end.

#include <QDate>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QWidget;

namespace ximora::settings {

class YIni {
  public:
    /// `programFolder` (ending in "/") is where "UserData.ini" and "apData/" lie; empty means
    /// the running program's folder. Tests pass their own.
    explicit YIni(QString programFolder = {});

    /// Resolves sApDir and sUsrDir (shared values) from the pointer file, registers the
    /// program's path in the per-user settings and creates the user data folder. Needs
    /// sExeNm. False when the user data folder does not exist afterwards.
    bool W_UserData(QWidget* owner = nullptr);

    /// The user data folder W_UserData would resolve, found without making, writing or telling
    /// anything: empty when the folder is still to be made or the pointer names a folder that
    /// is not there (W_UserData tells the user). Needs sExeNm. For reading the settings before
    /// the program can show a message.
    QString foundUserDataFolder() const;

    /// Loads the environment file (a first "_DV.xml" in the path, any case, becomes ".xml");
    /// creates it empty when missing; an empty content becomes the three-line skeleton. Blank
    /// lines before the content and a byte-order mark (the text is then UTF-8 or UTF-16) are
    /// taken as they come. A file that is not CP932 text, or not the program's settings at all,
    /// is kept under a dated name beside it ("User.20261209-071530.xml"), the user is told once,
    /// and the defaults apply; when that copy cannot be made the file is never overwritten by
    /// SetTxt. False when the file could not be read, decoded or created.
    bool GetTxt(const QString& path);
    /// Loads `path` as GetTxt does when it is the program's settings as they stand; changes and
    /// tells nothing otherwise (false, with nothing loaded).
    bool peekTxt(const QString& path);

    /// Selects a group; its inner text becomes the group text.
    void GetGtx(const QString& group);

    /// Reads a key of the selected group, typed by the default: text (default when empty or
    /// missing), flag ("True"/"False" in any case or a number; default otherwise), date
    /// (default when not convertible), number (the leading number with "." as the decimal
    /// separator, as a double; default when empty or missing).
    QString vGtVal(const QString& key, const QString& fallback);
    QString vGtVal(const QString& key, const char* fallback);
    bool vGtVal(const QString& key, bool fallback);
    double vGtVal(const QString& key, int fallback);
    double vGtVal(const QString& key, double fallback);
    QDate vGtVal(const QString& key, const QDate& fallback);

    /// Writes a key into the group text: in place when present, else appended. Line breaks
    /// and U+2021 in a value would break the layout and are written as spaces; characters
    /// without a CP932 form are written as character references ("&#252;") and read back.
    void SetVal(const QString& key, const QString& value);
    void SetVal(const QString& key, const char* value);
    void SetVal(const QString& key, bool value);
    void SetVal(const QString& key, int value);
    void SetVal(const QString& key, double value);
    void SetVal(const QString& key, const QDate& value);

    /// Puts the group text back into the document under the group name; a new group is
    /// inserted before "</運用>" (appended first when the document lacks it).
    void SetGtx();

    /// Writes the document to the file, atomically, in CP932 (values were written with
    /// character references for what CP932 cannot spell). False on failure (writeError() then
    /// says why), when no file was loaded, or when a loaded file that could not be read is to be
    /// left as it is (writeError() empty).
    bool SetTxt();
    /// Why the last write of the file failed, in the program's words; empty when it did not.
    const QString& writeError() const { return writeError_; }
    /// The dated copy kept of a file that could not be read as it stood; empty when none.
    const QString& keptCopy() const { return keptCopy_; }

    /// Creates every missing folder + name, one level each (the folder itself must exist).
    static void F_ChkSb(const QString& folder, const QStringList& names);
    /// Creates the folder and every missing parent; failing levels are skipped.
    static void F_CreateFld(const QString& folder);
    /// A special folder's path without a trailing separator (5 documents, 9 SendTo,
    /// 26 application data); empty when unknown.
    static QString FsGtSpFld(int number);

    const QString& filePath() const { return filePath_; }
    const QString& document() const { return document_; }
    const QString& groupText() const { return groupText_; }
    const QString& groupName() const { return groupName_; }
    QWidget* owner() const { return owner_; }

    /// The three-line skeleton of a new document.
    static QString skeleton();

  private:
    QString GtElm(int level, const QString& name);
    static QString MkElm(bool group, const QString& name, const QString& value);
    void reportBroken(const QString& name);
    // The document a settings file's bytes hold, when they are the program's settings.
    static std::optional<QString> settingsDocument(const QByteArray& bytes);
    // The pointer file "UserData.ini" beside the program.
    QString pointerFile() const;
    // The pointer file's token, without line ends: empty when there is none; nothing when the
    // file cannot be read.
    std::optional<QString> pointerToken() const;
    // The folder `token` (lower case) names, and whether it named a folder that is not there.
    QString folderForToken(const QString& token, bool& missing) const;
    bool keepCopyOfFile();

  public:
    /// Text of a settings file: Unicode with a byte-order mark, UTF-8 where the bytes are valid
    /// UTF-8 beyond ASCII (as editors on this system write), CP932 otherwise; nothing when the
    /// bytes are none of these.
    static std::optional<QString> decodeSettingsText(const QByteArray& bytes);

  private:
    QString programFolder_;
    QWidget* owner_ = nullptr;
    QString filePath_;
    QString document_;
    QString groupText_;
    QString groupName_;
    bool unreadable_ = false;
    QString keptCopy_;
    QString writeError_;
};

/// The store of the process (null before start-up and after release).
YIni* yIni();
/// Installs the store of the process, replacing any previous one.
void setYIni(std::unique_ptr<YIni> store);
/// Releases the store of the process.
void releaseYIni();

}  // namespace ximora::settings
