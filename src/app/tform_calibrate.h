#pragma once

#include <QDialog>
#include <QPointF>
#include <memory>

namespace Ui {
class TFormCalibrate;
}

namespace tallivo {

// After a calibration page: where the user measured the first mark, in millimetres from the
// paper's left and top edges. The fields start at where the mark belongs.
class TFormCalibrate : public QDialog {
    Q_OBJECT
public:
    explicit TFormCalibrate(QPointF expectedMm, QWidget* owner = nullptr);
    ~TFormCalibrate() override;

    Ui::TFormCalibrate* ui() const { return ui_.get(); }
    QPointF MeasuredMm() const;

private:
    std::unique_ptr<Ui::TFormCalibrate> ui_;
};

}  // namespace tallivo
