// The blank waybill of the starter content, drawn by us, and where its fields are.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <vector>

namespace tallivo {

struct StarterField {
    QRect box;     // field box on the waybill panel, screen pixels
    QString text;  // what the starter template puts there (a keyword or fixed text)
};

// A generic blank waybill at the size of the picture area (734 x 417).
QImage DrawStarterWaybill();
// The field boxes of the starter freight-bill template, in the order they are created.
std::vector<StarterField> StarterWaybillFields();

}  // namespace tallivo
