// Which column of an export holds which value, asked of the user for a header no profile
// recognises; the answer becomes a profile of the user's own.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "orders/order_profile.h"

namespace Ui {
class TFormProfileMapping;
}

namespace tallivo {

// Asks for the mapping of one file's header; nothing when the user cancels. The window shows
// the dialog below, tests answer.
class ProfileMapper {
public:
    virtual ~ProfileMapper() = default;
    virtual std::optional<OrderProfile> Map(const std::string& file,
                                            const std::vector<std::string>& header) = 0;
};

// A profile for exactly this header: each chosen column under its field, order number and
// consignee required. Empty when neither is chosen.
std::optional<OrderProfile> ProfileForHeader(const std::string& name,
                                             const std::vector<std::string>& header,
                                             const std::vector<std::pair<OrderField, int>>& chosen);

class TFormProfileMapping : public QDialog {
    Q_OBJECT
public:
    TFormProfileMapping(const std::string& file, const std::vector<std::string>& header,
                        QWidget* owner = nullptr);
    ~TFormProfileMapping() override;
    Ui::TFormProfileMapping* ui() const { return ui_.get(); }
    // The profile as the dialog stands; empty without order number and consignee.
    std::optional<OrderProfile> Profile() const;

private:
    std::unique_ptr<Ui::TFormProfileMapping> ui_;
    std::vector<std::string> header_;
};

// Shows the dialog over the owner.
class DialogProfileMapper : public ProfileMapper {
public:
    explicit DialogProfileMapper(QWidget* owner) : owner_(owner) {}
    std::optional<OrderProfile> Map(const std::string& file,
                                    const std::vector<std::string>& header) override;

private:
    QWidget* owner_;
};

}  // namespace tallivo
