#include "app/tform_profile_mapping.h"

#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>

#include "ui_tform_profile_mapping.h"

namespace tallivo {

namespace {

struct Row {
    OrderField field;
    QComboBox* Ui::TFormProfileMapping::*combo;
};

const Row kRows[] = {
    {OrderField::kTrade, &Ui::TFormProfileMapping::ComboTrade},
    {OrderField::kConsignee, &Ui::TFormProfileMapping::ComboConsignee},
    {OrderField::kMobile, &Ui::TFormProfileMapping::ComboMobile},
    {OrderField::kTelephone, &Ui::TFormProfileMapping::ComboTelephone},
    {OrderField::kAddress, &Ui::TFormProfileMapping::ComboAddress},
    {OrderField::kPostCode, &Ui::TFormProfileMapping::ComboPostCode},
    {OrderField::kBuyer, &Ui::TFormProfileMapping::ComboBuyer},
    {OrderField::kGoodsName, &Ui::TFormProfileMapping::ComboGoods},
    {OrderField::kQuantity, &Ui::TFormProfileMapping::ComboQuantity},
    {OrderField::kUnitPrice, &Ui::TFormProfileMapping::ComboPrice},
    {OrderField::kPostage, &Ui::TFormProfileMapping::ComboPostage},
    {OrderField::kAmount, &Ui::TFormProfileMapping::ComboAmount},
};

}  // namespace

std::optional<OrderProfile> ProfileForHeader(
    const std::string& name, const std::vector<std::string>& header,
    const std::vector<std::pair<OrderField, int>>& chosen) {
    OrderProfile profile;
    profile.name = name;
    profile.header = header;
    profile.required = {OrderField::kTrade, OrderField::kConsignee};
    for (const auto& [field, column] : chosen) {
        if (column < 0 || column >= static_cast<int>(header.size())) continue;
        profile.columns[field] = {header[static_cast<std::size_t>(column)]};
    }
    if (profile.name.empty() || !profile.columns.count(OrderField::kTrade) ||
        !profile.columns.count(OrderField::kConsignee))
        return std::nullopt;
    return profile;
}

TFormProfileMapping::TFormProfileMapping(const std::string& file,
                                         const std::vector<std::string>& header, QWidget* owner)
    : QDialog(owner), ui_(new Ui::TFormProfileMapping), header_(header) {
    ui_->setupUi(this);
    ui_->LabelFile->setText(
        QString::fromUtf8(u8"没有订单配置认得“%1”的表头，请为各项选择所在的列：")
            .arg(QFileInfo(QString::fromStdString(file)).fileName()));
    for (const Row& row : kRows) {
        QComboBox* combo = ui_.get()->*row.combo;
        combo->addItem(QString::fromUtf8(u8"（无）"));
        for (const std::string& name : header) combo->addItem(QString::fromStdString(name));
    }
    ui_->EditName->setText(QFileInfo(QString::fromStdString(file)).completeBaseName());
    QPushButton* ok = ui_->ButtonBox->button(QDialogButtonBox::Ok);
    const auto update = [this, ok] { ok->setEnabled(Profile().has_value()); };
    for (const Row& row : kRows)
        connect(ui_.get()->*row.combo, qOverload<int>(&QComboBox::currentIndexChanged), this,
                update);
    connect(ui_->EditName, &QLineEdit::textChanged, this, update);
    connect(ui_->ButtonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui_->ButtonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    update();
}

TFormProfileMapping::~TFormProfileMapping() = default;

std::optional<OrderProfile> TFormProfileMapping::Profile() const {
    std::vector<std::pair<OrderField, int>> chosen;
    for (const Row& row : kRows)
        chosen.emplace_back(row.field, (ui_.get()->*row.combo)->currentIndex() - 1);
    return ProfileForHeader(ui_->EditName->text().trimmed().toStdString(), header_, chosen);
}

std::optional<OrderProfile> DialogProfileMapper::Map(const std::string& file,
                                                     const std::vector<std::string>& header) {
    TFormProfileMapping dialog(file, header, owner_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Profile();
}

}  // namespace tallivo
