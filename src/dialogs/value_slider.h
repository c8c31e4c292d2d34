#pragma once
// uSld: one numeric parameter of an adjustment dialog — a caption, a step button taking a step
// away, a horizontal slider, the value as text and a step button adding one. Any range maps onto
// the slider: ranges narrower than 10 or wider than 100 run the slider from 0 to 100, so a
// range of 0 to 1 still moves in hundredths. Slider, text and buttons stay in step without
// echo loops, and every change by the user raises eCngVL once.

#include <QWidget>

class QLabel;
class QLineEdit;
class QSlider;
class QToolButton;

namespace ximora::dialogs {

class uSld : public QWidget {
    Q_OBJECT
  public:
    explicit uSld(QWidget* parent = nullptr);

    /// Configures range wMn..wMx, the slider's page step iLc (0 becomes 10; in/out: a scaled
    /// slider reports 10), the buttons' step iSc (may be fractional) and the caption; enables.
    void cOn(double wMn, double wMx, double& iLc, double iSc, const QString& sTxMn);
    /// cOn followed by ValS(initial): how the dialogs set a slider up.
    void setUp(double wMn, double wMx, double iLc, double iSc, const QString& sTxMn,
               double initial);
    /// Shows a value (slider position and text "#.#") without raising eCngVL.
    void ValS(double wVaL);
    /// The value of the text box: its leading number ("12abc" reads 12, no number reads 0).
    double ValS() const;
    void setEnabled(bool bEnb);
    /// Lays the parts out for the current size.
    void StSize();

    // For tests and dialogs that read the parts.
    QSlider* slider() const { return slider_; }
    QLineEdit* text() const { return text_; }
    QToolButton* stepButton(int index) const { return steps_[index]; }
    QString caption() const;
    double factor() const { return factor_; }

  signals:
    /// The user changed the value (slider, text or step button).
    void eCngVL();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int toPosition(double value) const;
    double fromPosition(int position) const;
    void sliderMoved(int position);
    void textEdited(const QString& text);
    void step(int index);
    /// Enter in the text box: the value as read is shown in its own form and applied.
    void commit();

    QLabel* caption_;
    QSlider* slider_;
    QLineEdit* text_;
    QToolButton* steps_[2];
    double minimum_ = 0, maximum_ = 100, step_ = 1, factor_ = 1;
    bool scaled_ = false;
    bool updating_ = false;  // the control is changing its own parts: no events
};

}  // namespace ximora::dialogs
