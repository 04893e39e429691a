#include "app/tform_calibrate.h"

#include "ui_tform_calibrate.h"

namespace tallivo {

TFormCalibrate::TFormCalibrate(QPointF expectedMm, QWidget* owner)
    : QDialog(owner), ui_(new Ui::TFormCalibrate) {
    ui_->setupUi(this);
    ui_->LabelFirstMark->setText(
        ui_->LabelFirstMark->text().arg(expectedMm.x()).arg(expectedMm.y()));
    ui_->SpinEditMarkX->setValue(expectedMm.x());
    ui_->SpinEditMarkY->setValue(expectedMm.y());
}

TFormCalibrate::~TFormCalibrate() = default;

QPointF TFormCalibrate::MeasuredMm() const {
    return QPointF(ui_->SpinEditMarkX->value(), ui_->SpinEditMarkY->value());
}

}  // namespace tallivo
