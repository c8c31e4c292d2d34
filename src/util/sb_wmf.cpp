#include "util/sb_wmf.h"

#include <QAction>
#include <QMenuBar>
#include <QPainter>
#include <QResizeEvent>

#include "util/message_service.h"
#include "util/usr.h"

namespace ximora::util {

namespace {

/// `Image1`: paints the drawing stretched to its own size.
class StretchedDrawing : public QWidget {
  public:
    explicit StretchedDrawing(QWidget* parent) : QWidget(parent) {}
    void setDrawing(std::shared_ptr<const vector::VectorDrawing> drawing) {
        drawing_ = std::move(drawing);
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (!drawing_) return;
        painter.setRenderHint(QPainter::Antialiasing);
        drawing_->paint(painter, QRectF(rect()));
    }

  private:
    std::shared_ptr<const vector::VectorDrawing> drawing_;
};

}  // namespace

sbWmf::sbWmf(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("sbWmf"));
    setWindowTitle(QStringLiteral("ﾍﾞｸﾀ⇒変換　ｻｲｽﾞを指定して下さい"));
    menu_ = new QMenuBar(this);
    ok_ = menu_->addAction(QStringLiteral("Ok(&O)"));
    cancel_ = menu_->addAction(QStringLiteral("Cancel(&C)"));
    connect(ok_, &QAction::triggered, this, [this] { choose(true); });
    connect(cancel_, &QAction::triggered, this, [this] { choose(false); });
    image1_ = new StretchedDrawing(this);
    image1_->setObjectName(QStringLiteral("Image1"));
}

sbWmf::~sbWmf() = default;

void sbWmf::setDrawing(std::shared_ptr<const vector::VectorDrawing> drawing) {
    // A drawing read in part says so in the title: what is missing is never a surprise.
    const int skipped = drawing ? drawing->skippedRecords() : 0;
    setWindowTitle(QStringLiteral("ﾍﾞｸﾀ⇒変換　ｻｲｽﾞを指定して下さい") +
                   (skipped > 0 ? QStringLiteral("　(読めないﾚｺｰﾄﾞ %1 件を除いて表示)").arg(skipped)
                                : QString()));
    drawing_ = drawing;
    static_cast<StretchedDrawing*>(image1_)->setDrawing(std::move(drawing));
}

int sbWmf::menuHeight() const { return menu_->sizeHint().height(); }

void sbWmf::placeImage(QSize size) {
    menu_->setGeometry(0, 0, width(), menuHeight());
    image1_->setGeometry(0, menuHeight(), std::max(1, size.width()), std::max(1, size.height()));
}

bool sbWmf::Act(int left, int top, int width, int height, QImage& picture) {
    settingUp_ = true;
    result_ = false;
    const QSize drawingSize(std::max(1, width), std::max(1, height));
    move(left, top);
    // The window's own area holds the menu bar above the drawing.
    resize(drawingSize.width(), drawingSize.height() + menuHeight());
    placeImage(drawingSize);
    Usr::SetBusy(false);
    Usr::BringToFront(this);
    messages().runModal(*this);
    if (!result_) return false;
    picture = std::move(picture1_);
    picture1_ = QImage();
    return true;
}

void sbWmf::choose(bool ok) {
    result_ = false;
    if (ok && drawing_) {
        picture1_ = drawing_->render(image1_->size());
        result_ = !picture1_.isNull();
    }
    if (result_)
        accept();
    else
        reject();
}

bool sbWmf::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) settingUp_ = false;
    return QDialog::event(event);
}

void sbWmf::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    menu_->setGeometry(0, 0, width(), menuHeight());
    if (settingUp_) return;
    placeImage(QSize(width(), height() - menuHeight()));
}

}  // namespace ximora::util
