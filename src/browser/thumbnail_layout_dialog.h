#pragma once
// The layout dialog "ｻﾑﾈｲﾙの表示設定": columns, rows, thumbnail size and names shown.

#include <QDialog>
#include <optional>

class QCheckBox;
class QLineEdit;

namespace ximora::browser {

/// The four layout values of the thumbnail grid.
struct ThumbnailLayout {
    int columns = 1;
    int rows = 3;
    int size = 100;
    bool showNames = false;
    friend bool operator==(const ThumbnailLayout&, const ThumbnailLayout&) = default;
};

/// A number as the layout boxes read it: the leading numeric part of the text, rounded to the
/// nearest integer; 0 when the text does not start with a number.
int leadingNumber(const QString& text);

class ThumbnailLayoutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ThumbnailLayoutDialog(const ThumbnailLayout& layout, QWidget* parent = nullptr);

    /// The values in the boxes, read as numbers.
    ThumbnailLayout layout() const;

    /// Opens the dialog modally (through the message service, so tests and automation can
    /// answer it) centred over the main window; the values entered, or nothing when cancelled.
    static std::optional<ThumbnailLayout> ask(const ThumbnailLayout& layout);

  private:
    QLineEdit* columns_;
    QLineEdit* rows_;
    QLineEdit* size_;
    QCheckBox* names_;
};

}  // namespace ximora::browser
