#include "app/font_chooser.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/owner_draw_rules.h"

namespace tallivo {

FontChoice InitialDialogFont() {
    QFont font(QString::fromUtf8(u8"宋体"));
    font.setPixelSize(20);
    return {font, QColor(kFuchsia.r, kFuchsia.g, kFuchsia.b)};
}

FontColorDialog::FontColorDialog(const FontChoice& initial, QWidget* parent)
    : QDialog(parent), fonts_(new QFontDialog(this)), colorButton_(new QPushButton(this)) {
    setWindowTitle(QString::fromUtf8(u8"字体"));
    QFont font = initial.font;
    // The panel lists point sizes; a font sized in pixels shows as the points it comes to.
    if (font.pointSizeF() <= 0) font.setPointSizeF(QFontInfo(initial.font).pointSizeF());
    // Embedded as a panel: this dialog has the buttons.
    fonts_->setWindowFlags(Qt::Widget);
    fonts_->setSizeGripEnabled(false);
    fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts_->setCurrentFont(font);

    colorButton_->setObjectName(QStringLiteral("ButtonFontColor"));
    colorButton_->setText(QString::fromUtf8(u8"颜色（&C）…"));
    connect(colorButton_, &QPushButton::clicked, this, &FontColorDialog::ChooseColor);
    SetColor(initial.color);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(colorButton_);
    row->addStretch();
    row->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_);
    layout->addLayout(row);
}

void FontColorDialog::SetColor(const QColor& color) {
    color_ = color.isValid() ? color : QColor(Qt::black);
    QPixmap swatch(16, 16);
    swatch.fill(color_);
    colorButton_->setIcon(QIcon(swatch));
}

void FontColorDialog::ChooseColor() {
    const QColor chosen = QColorDialog::getColor(color_, this, QString::fromUtf8(u8"颜色"));
    if (chosen.isValid()) SetColor(chosen);
}

FontChoice FontColorDialog::Choice() const {
    return {fonts_->currentFont(), color_};
}

std::optional<FontChoice> QtFontChooser::Choose(const FontChoice& initial) {
    FontColorDialog dialog(initial, owner_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Choice();
}

}  // namespace tallivo
