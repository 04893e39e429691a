#include "print/fit_check.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "text/gbk_codec.h"

namespace tallivo {
namespace {

void GiveBackground(FreightBillForm& form) {
    form.background = QImage(kPictureArea.width(), kPictureArea.height(), QImage::Format_RGB32);
    form.background.fill(Qt::white);
}

std::vector<FitProblem> Problems(const std::vector<FitFinding>& findings, int box) {
    std::vector<FitProblem> out;
    for (const FitFinding& f : findings)
        if (f.box == box) out.push_back(f.problem);
    return out;
}

TEST(FitCheckTest, OverflowingBoxIsFoundAndAFittingOneIsNotAtBothResolutions) {
    FreightBillForm form;
    GiveBackground(form);
    // One line of 12 pt text in a box two lines high, and six lines in a box of the same size.
    const std::string rtf1 = "{\\rtf1\\ansi{\\fonttbl{\\f0 SimSun;}}\\f0\\fs24 ABC}";
    AddFieldBox(form, rtf1, 100, 50, 40, 200);
    AddFieldBox(
        form,
        "{\\rtf1\\ansi{\\fonttbl{\\f0 SimSun;}}\\f0\\fs24 1\\par 2\\par 3\\par 4\\par 5\\par 6}",
        100, 150, 40, 200);
    // Blank lines below the box print nothing and lose nothing.
    AddFieldBox(form,
                "{\\rtf1\\ansi{\\fonttbl{\\f0 SimSun;}}\\f0\\fs24 A\\par\\par\\par\\par\\par}", 100,
                250, 40, 200);
    for (int dpi : {96, 600}) {
        const PageOptions options = PageOptions::AtDpi(dpi, dpi);
        const auto findings = CheckFreightBillFit(form, options);
        EXPECT_TRUE(Problems(findings, 0).empty()) << dpi;
        EXPECT_EQ(Problems(findings, 1), std::vector<FitProblem>{FitProblem::kOverflow}) << dpi;
        EXPECT_TRUE(Problems(findings, 2).empty()) << dpi;
        ASSERT_EQ(findings.size(), 1u);
        // Marked where the page drawing puts the box.
        const auto scale = ComputeFreightBillScale(190, 734, 417, options.ppmmX, options.ppmmY);
        const DeviceRect box =
            FreightBillBoxRect({100, 150, 200, 40}, FreightBillOriginX(0, options.ppmmX),
                               FreightBillOriginY(0, options.ppmmY), scale->sx, scale->sy);
        EXPECT_EQ(findings[0].rect.left(), box.left) << dpi;
        EXPECT_EQ(findings[0].rect.top(), box.top) << dpi;
        EXPECT_EQ(findings[0].rect.right(), box.right - 1) << dpi;
        EXPECT_EQ(findings[0].text, Gbk(u8"第2个文本框的文字超出了文本框，超出的部分不会打印"));
    }
}

TEST(FitCheckTest, UnreplacedKeywordsAreNamedInBoxesAndInvoiceText) {
    FreightBillForm form;
    GiveBackground(form);
    AddFieldBox(form, Gbk(u8"收件人：{收货人} {手机}"), 10, 10, 30, 300);
    AddFieldBox(form, Gbk(u8"固定字段"), 10, 60, 30, 300);
    const auto findings = CheckFreightBillFit(form, PageOptions::AtDpi(96, 96));
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].problem, FitProblem::kUnreplacedKeyword);
    EXPECT_EQ(findings[0].text, Gbk(u8"第1个文本框中的关键词{收货人}{手机}尚未替换"));

    InvoiceForm invoice;
    invoice.Body().SetPlainText(Gbk(u8"发货单\r\n\r\n买家：{买家}"));
    const PageOptions options = PageOptions::AtDpi(96, 96);
    const auto invoiceFindings = CheckInvoiceFit(invoice, options);
    ASSERT_EQ(invoiceFindings.size(), 1u);
    EXPECT_EQ(invoiceFindings[0].box, kFitInvoiceText);
    EXPECT_EQ(invoiceFindings[0].text, Gbk(u8"发货单中的关键词{买家}尚未替换"));
    // The mark is the keyword's line, the third, across the text's width.
    const DeviceRect text = InvoiceTextRect(718, 1122, options.ppmmX, options.ppmmY);
    EXPECT_EQ(invoiceFindings[0].rect.left(), text.left);
    EXPECT_GT(invoiceFindings[0].rect.top(), text.top + 10);
    EXPECT_LT(invoiceFindings[0].rect.height(), 40);

    const std::string question = FitQuestion(invoiceFindings);
    EXPECT_NE(question.find(invoiceFindings[0].text), std::string::npos);
    EXPECT_EQ(FitQuestionCaption(), Gbk(u8"提示：有内容无法正常打印！"));
}

TEST(FitCheckTest, CharactersThePrintingFontCannotShowAreListed) {
    // U+0F00 (Tibetan), which no font the build installs has, twice; it has no GBK code and is
    // named by its number.
    const std::string rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 SimSun;}}\\f0 " + Gbk(u8"张小明") + "\\u3840?\\u3840?}";
    FreightBillForm form;
    GiveBackground(form);
    AddFieldBox(form, Gbk(u8"李四"), 10, 10, 30, 300);
    AddFieldBox(form, rtf, 10, 60, 30, 300);
    // A coverage kept across pages answers as a fresh one, on its second page too.
    FontCoverage kept;
    for (int dpi : {96, 600, 600}) {
        for (FontCoverage* coverage : {static_cast<FontCoverage*>(nullptr), &kept}) {
            const auto findings =
                CheckFreightBillFit(form, PageOptions::AtDpi(dpi, dpi), nullptr, coverage);
            ASSERT_EQ(findings.size(), 1u) << dpi;
            EXPECT_EQ(findings[0].problem, FitProblem::kUnshowableCharacter);
            EXPECT_EQ(findings[0].box, 1);
            EXPECT_EQ(findings[0].text, Gbk(u8"第2个文本框中的字符“U+F00”无法用打印字体显示"));
        }
    }
}

TEST(FitCheckTest, OverflowingInvoiceTextAndNoBackgroundAndRedMarks) {
    InvoiceForm invoice;
    std::string lines;
    for (int i = 0; i < 200; ++i) lines += "line\r\n";
    invoice.Body().SetPlainText(lines);
    const auto findings = CheckInvoiceFit(invoice, PageOptions::AtDpi(96, 96));
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].problem, FitProblem::kOverflow);

    FreightBillForm form;  // no background: no scale, nothing printed, nothing to check
    AddFieldBox(form, "{\\rtf1 {\\u25910?}}", 10, 10, 1, 1);
    EXPECT_TRUE(CheckFreightBillFit(form, PageOptions::AtDpi(96, 96)).empty());

    QImage page(100, 100, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    PaintFitMarks(painter, {{FitProblem::kOverflow, 0, "", QRect(10, 10, 20, 20)}});
    painter.end();
    EXPECT_EQ(QColor(page.pixel(10, 20)).red(), 255);
    EXPECT_LT(QColor(page.pixel(10, 20)).green(), 100);
    EXPECT_EQ(page.pixel(50, 50), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace tallivo
