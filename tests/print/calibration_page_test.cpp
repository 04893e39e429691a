#include "print/calibration_page.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdio>

#include "print/pdf_output.h"
#include "support/pdf_words.h"

namespace tallivo {
namespace {

using testing::WordBox;

constexpr double kPointsPerMm = 72 / 25.4;

TEST(CalibrationPageTest, LabelsSitAtTheirMillimetresShiftedByTheOffsets) {
    QTemporaryDir dir;
    for (const auto& [biasX, biasY] : {std::pair{0, 0}, std::pair{5, -3}}) {
        FreightBillForm form;  // no background: the picture area's proportions
        form.biasX = biasX;
        form.biasY = biasY;
        const PageOptions options = PageOptions::AtDpi(600, 600);
        const std::string pdf = dir.filePath(QStringLiteral("cal.pdf")).toStdString();
        PdfOutput out(pdf, 600);
        const PageSize size = CalibrationPageSize(form, options);
        QPainter* painter = out.NewPage(size.width, size.height);
        ASSERT_NE(painter, nullptr);
        DrawCalibrationPage(*painter, form, options);
        ASSERT_TRUE(out.Finish()) << out.ErrorText();

        for (const CalibrationMark& mark : CalibrationMarks()) {
            double x = 0, y = 0;
            ASSERT_TRUE(WordBox(pdf, CalibrationLabel(mark), &x, &y)) << CalibrationLabel(mark);
            // The label starts 1 mm right of and 1 mm below the cross's centre.
            EXPECT_NEAR(x / kPointsPerMm, mark.xMm + biasX + 1, 0.5) << CalibrationLabel(mark);
            EXPECT_NEAR(y / kPointsPerMm, mark.yMm + biasY + 1, 0.8) << CalibrationLabel(mark);
        }
    }
}

TEST(CalibrationPageTest, MarksFollowThePageGeometry) {
    FreightBillForm form;
    form.biasX = -10;
    const PageOptions options = PageOptions::AtDpi(600, 600);
    // As a box at the waybill's corner: 10 mm in, moved by the offsets.
    const QPoint first = CalibrationMarkCentre(CalibrationMarks()[0], form, options);
    EXPECT_EQ(first.x(), FreightBillOriginX(-10, options.ppmmX));
    EXPECT_EQ(first.y(), FreightBillOriginY(0, options.ppmmY));
    PageOptions preview = options;
    preview.applyOffsets = false;
    EXPECT_EQ(CalibrationMarkCentre(CalibrationMarks()[0], form, preview).x(),
              FreightBillOriginX(0, options.ppmmX));
    // The page is the freight-bill extent when that is big enough.
    form.background = QImage(734, 417, QImage::Format_RGB32);
    form.printWidth = 190;
    const auto extent = FreightBillPageSize(form, options);
    EXPECT_EQ(CalibrationPageSize(form, options).width, extent->width);

    EXPECT_EQ(CorrectedOffset(0, 10, 12), -2);
    EXPECT_EQ(CorrectedOffset(3, 13, 11.6), 4);
    EXPECT_EQ(CorrectedOffset(-45, 10, 30), -50);
}

}  // namespace
}  // namespace tallivo
