#pragma once
// The drive list `Drive1`: the mounted volumes, the filesystem root first. Each mount point
// acts as a drive root.

#include <QComboBox>
#include <QSet>
#include <QString>

namespace ximora::browser {

class DriveList : public QComboBox {
    Q_OBJECT
  public:
    explicit DriveList(QWidget* parent = nullptr);

    /// Reads the mounted volumes again (the current choice is kept when still mounted).
    void refresh();
    /// The drive of `path`: the longest mount point that contains it ("/" at least).
    QString driveOf(const QString& path) const;
    /// Whether `path` is the filesystem root or a mount point.
    bool isDriveRoot(const QString& path) const;
    /// The root of the drive shown.
    QString currentDrive() const { return currentText(); }
    /// Shows the drive of `path`; emits driveChanged when that is another drive.
    void setDriveOf(const QString& path);

    /// Reads the volumes again before the list opens, so that a disk mounted since shows up.
    void showPopup() override;

  signals:
    /// The drive shown changed (by the user or by setDriveOf).
    void driveChanged(const QString& root);

  private:
    QSet<QString> roots_;
};

}  // namespace ximora::browser
