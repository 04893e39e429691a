// The calibration page: crosses at known millimetre positions and rulers, drawn with the
// freight-bill page's geometry (print width, offsets, margin), so that measuring the printed
// page tells which X and Y offsets make a new printer put the text where the waybill wants it.
#pragma once

#include <QPainter>
#include <QPoint>
#include <string>
#include <vector>

#include "forms/freight_bill.h"
#include "print/page_drawing.h"

namespace tallivo {

// The print job's name after the application title.
inline constexpr char kCalibrationJobSuffix[] = "--打印校准页";

// A cross whose centre lies xMm, yMm from the page's top-left corner when both offsets are 0;
// the offsets move it as they move the boxes. The first sits on the waybill's top-left corner.
struct CalibrationMark {
    int number = 0;
    int xMm = 0;
    int yMm = 0;
};
const std::vector<CalibrationMark>& CalibrationMarks();

// The mark's label as printed beside it: "10,10" (ASCII).
std::string CalibrationLabel(const CalibrationMark& mark);

// The freight-bill page of the form (the extent: the waybill plus 10 mm all round), at least
// big enough for the marks and the instructions. A form without background takes the
// proportions of the picture area.
PageSize CalibrationPageSize(const FreightBillForm& form, const PageOptions& options);

// Where the mark's centre is drawn, in dots, with the form's offsets when the options apply them.
QPoint CalibrationMarkCentre(const CalibrationMark& mark, const FreightBillForm& form,
                             const PageOptions& options);

// Draws the page from the painter's origin: rulers along the waybill's top and left edges,
// the crosses with their labels and the instructions. The painter's state is left as it was.
void DrawCalibrationPage(QPainter& painter, const FreightBillForm& form,
                         const PageOptions& options);

// The offset that moves a mark printed at `measuredMm` to where it should be (`expectedMm`,
// the current offset included), kept within the offsets' limits.
int CorrectedOffset(int currentOffset, double expectedMm, double measuredMm);

}  // namespace tallivo
