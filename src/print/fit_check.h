// What would not come out right if the form were printed now: text that does not fit its box,
// keywords never replaced, characters the printing font cannot show. The print command asks
// once before printing; the preview marks the places in red.
#pragma once

#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "forms/freight_bill.h"
#include "forms/invoice_form.h"
#include "print/page_drawing.h"

class QPaintDevice;

namespace tallivo {

enum class FitProblem { kOverflow, kUnreplacedKeyword, kUnshowableCharacter };

// The box index of a finding about the invoice text or its goods grid.
inline constexpr int kFitInvoiceText = -1;
inline constexpr int kFitInvoiceGrid = -2;

struct FitFinding {
    FitProblem problem = FitProblem::kOverflow;
    int box = kFitInvoiceText;  // freight-bill box index (0-based), or one of the two above
    std::string text;           // GBK, one line for the user
    QRect rect;                 // where to mark it, in the page's dots; empty when nowhere
};

// Whether fonts show characters as they resolve on `device` (the printer), or on the screen when
// none, asking each font about each character once. Asking costs more than the rest of a page's
// check, so a batch keeps one for all its pages.
class FontCoverage {
public:
    explicit FontCoverage(const QPaintDevice* device = nullptr) : device_(device) {}
    const QPaintDevice* Device() const { return device_; }
    bool Shows(const QFont& font, char32_t c);

private:
    const QPaintDevice* device_;
    std::map<QString, std::unordered_map<char32_t, bool>> fonts_;
};

// Checks every box as DrawFreightBillPage would draw it with these options. Characters are
// checked with the fonts as they resolve on `device`, through `coverage` when given (made for
// the same device). Nothing for a form without background picture: it has no scale and is not
// printed.
std::vector<FitFinding> CheckFreightBillFit(const FreightBillForm& form, const PageOptions& options,
                                            const QPaintDevice* device = nullptr,
                                            FontCoverage* coverage = nullptr);

// Checks the invoice text inside its margins as DrawInvoicePage would draw it, and the
// characters of the goods grid.
std::vector<FitFinding> CheckInvoiceFit(const InvoiceForm& form, const PageOptions& options,
                                        const QPaintDevice* device = nullptr,
                                        FontCoverage* coverage = nullptr);

// The question asked once before printing, No the default: caption and a text listing every
// finding (GBK).
const std::string& FitQuestionCaption();
std::string FitQuestion(const std::vector<FitFinding>& findings);

// Marks the findings' places in red on a page drawn with the same options. The painter's state
// is left as it was.
void PaintFitMarks(QPainter& painter, const std::vector<FitFinding>& findings);

}  // namespace tallivo
