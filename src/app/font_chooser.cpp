#include "app/font_chooser.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/owner_draw_rules.h"

namespace tallivo {

FontChoice InitialDialogFont() {
    QFont font(QString::fromUtf8(u8"宋体"));
    font.setPixelSize(20);
    return {font, QColor(kFuchsia.r, kFuchsia.g, kFuchsia.b)};
}

namespace {

// Point sizes as the Chinese size names give them, with the usual ones between.
constexpr double kSizes[] = {5,  5.5, 6.5, 7.5, 8,  9,  10, 10.5, 11, 12, 14, 15,
                             16, 18,  20,  22,  24, 26, 28, 36,   42, 48, 72};

QString SizeText(double points) {
    return QString::number(points, 'g', 4);
}

double PointsOf(const QFont& font) {
    if (font.pointSizeF() > 0) return font.pointSizeF();
    return QFontInfo(font).pointSizeF();
}

}  // namespace

FontColorDialog::FontColorDialog(const FontChoice& initial, QWidget* parent)
    : QDialog(parent),
      family_(new QComboBox(this)),
      size_(new QComboBox(this)),
      bold_(new QCheckBox(QString::fromUtf8(u8"粗体（&B）"), this)),
      italic_(new QCheckBox(QString::fromUtf8(u8"斜体（&I）"), this)),
      underline_(new QCheckBox(QString::fromUtf8(u8"下划线（&U）"), this)),
      strikeOut_(new QCheckBox(QString::fromUtf8(u8"删除线（&K）"), this)),
      sample_(new QLabel(QString::fromUtf8(u8"AaBbYyZz 中文字体"), this)),
      colorButton_(new QPushButton(this)),
      initialFont_(initial.font),
      initialColor_(initial.color) {
    setWindowTitle(QString::fromUtf8(u8"字体"));
    setObjectName(QStringLiteral("FontDialogPrint"));
    family_->setObjectName(QStringLiteral("ComboBoxFontName"));
    size_->setObjectName(QStringLiteral("ComboBoxFontSize"));
    bold_->setObjectName(QStringLiteral("CheckBoxFontBold"));
    italic_->setObjectName(QStringLiteral("CheckBoxFontItalic"));
    underline_->setObjectName(QStringLiteral("CheckBoxFontUnderline"));
    strikeOut_->setObjectName(QStringLiteral("CheckBoxFontStrikeOut"));
    sample_->setObjectName(QStringLiteral("LabelFontSample"));

    QStringList families;
    for (const char* name : {u8"宋体", u8"黑体", u8"楷体", u8"仿宋"})
        families << QString::fromUtf8(name);
    const QString family = initial.font.family();
    if (!family.isEmpty() && !families.contains(family)) families.prepend(family);
    for (const QString& installed : QFontDatabase::families()) {
        if (!families.contains(installed)) families << installed;
    }
    family_->addItems(families);
    family_->setCurrentIndex(std::max(0, static_cast<int>(families.indexOf(family))));
    family_->setMaxVisibleItems(16);

    size_->setEditable(true);
    for (double points : kSizes) size_->addItem(SizeText(points));
    size_->setValidator(new QDoubleValidator(1, 1638, 1, size_));
    const double points = PointsOf(initial.font);
    initialFont_.setPointSizeF(points);
    size_->setCurrentText(SizeText(points));

    bold_->setChecked(initial.font.bold());
    italic_->setChecked(initial.font.italic());
    underline_->setChecked(initial.font.underline());
    strikeOut_->setChecked(initial.font.strikeOut());

    colorButton_->setObjectName(QStringLiteral("ButtonFontColor"));
    colorButton_->setText(QString::fromUtf8(u8"颜色（&C）…"));
    // Enter confirms the dialog; it does not open the colour dialog.
    colorButton_->setAutoDefault(false);
    connect(colorButton_, &QPushButton::clicked, this, &FontColorDialog::ChooseColor);
    color_ = initial.color;
    SetColor(initial.color);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    sample_->setMinimumSize(260, 60);
    sample_->setAlignment(Qt::AlignCenter);
    sample_->setFrameShape(QFrame::StyledPanel);
    connect(family_, &QComboBox::currentTextChanged, this, &FontColorDialog::ShowSample);
    connect(size_, &QComboBox::currentTextChanged, this, &FontColorDialog::ShowSample);
    for (QCheckBox* box : {bold_, italic_, underline_, strikeOut_})
        connect(box, &QCheckBox::toggled, this, &FontColorDialog::ShowSample);

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8(u8"字体（&F）："), family_);
    form->addRow(QString::fromUtf8(u8"大小（&S）："), size_);
    auto* styles = new QHBoxLayout;
    for (QCheckBox* box : {bold_, italic_, underline_, strikeOut_}) styles->addWidget(box);
    auto* row = new QHBoxLayout;
    row->addWidget(colorButton_);
    row->addStretch();
    row->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(styles);
    layout->addWidget(sample_);
    layout->addLayout(row);
    family_->setFocus();
    ShowSample();
}

QFont FontColorDialog::ShownFont() const {
    QFont font = initialFont_;
    font.setFamilies({family_->currentText()});
    bool ok = false;
    const double points = size_->currentText().toDouble(&ok);
    if (ok && points > 0) font.setPointSizeF(points);
    font.setBold(bold_->isChecked());
    font.setItalic(italic_->isChecked());
    font.setUnderline(underline_->isChecked());
    font.setStrikeOut(strikeOut_->isChecked());
    return font;
}

void FontColorDialog::ShowSample() {
    sample_->setFont(ShownFont());
    QPalette p = sample_->palette();
    p.setColor(QPalette::WindowText, color_);
    sample_->setPalette(p);
}

void FontColorDialog::SetColor(const QColor& color) {
    color_ = color.isValid() ? color : QColor(Qt::black);
    QPixmap swatch(16, 16);
    swatch.fill(color_);
    colorButton_->setIcon(QIcon(swatch));
    ShowSample();
}

void FontColorDialog::ChooseColor() {
    const QColor chosen = QColorDialog::getColor(color_, this, QString::fromUtf8(u8"颜色"));
    if (chosen.isValid()) SetColor(chosen);
}

FontChoice FontColorDialog::Choice() const {
    const QFont font = ShownFont();
    FontChoice choice{font, color_};
    choice.fontChanged = font.family() != initialFont_.family() ||
                         std::abs(font.pointSizeF() - initialFont_.pointSizeF()) > 0.01 ||
                         font.bold() != initialFont_.bold() ||
                         font.italic() != initialFont_.italic() ||
                         font.underline() != initialFont_.underline() ||
                         font.strikeOut() != initialFont_.strikeOut();
    choice.colorChanged = color_ != (initialColor_.isValid() ? initialColor_ : QColor(Qt::black));
    return choice;
}

std::optional<FontChoice> QtFontChooser::Choose(const FontChoice& initial) {
    FontColorDialog dialog(initial, owner_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Choice();
}

}  // namespace tallivo
