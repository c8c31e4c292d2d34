#pragma once
// The editor's own save dialog: folder, file name and the format list offered by the command.

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLineEdit;

namespace ximora::editor {

class SaveDialog : public QDialog {
    Q_OBJECT
  public:
    /// `formats` are upper-case names ("BMP", "JPG", ...), the first one preselected unless
    /// `name` has the extension of another ("jpeg" counts as "JPG"); an extension of no format
    /// offered is taken off the name. Choosing a format puts its extension on the name.
    SaveDialog(const QString& folder, const QString& name, const QStringList& formats,
               QWidget* parent = nullptr);

    /// The chosen path: folder + "/" + name, with the selected format's extension appended
    /// (lower case) unless the name ends in the extension of an offered format.
    QString path() const;

    QLineEdit* folderEdit() const { return folder_; }
    QLineEdit* nameEdit() const { return name_; }
    QComboBox* formatBox() const { return format_; }

  private:
    QStringList formats_;  // offered, upper case
    QLineEdit* folder_;
    QLineEdit* name_;
    QComboBox* format_;
};

/// Runs the save dialog through the message service; empty when cancelled or no name given.
QString askSavePath(const QString& folder, const QString& name, const QStringList& formats,
                    QWidget* parent);

}  // namespace ximora::editor
