#include "cli/starter_waybill.h"

#include <QFont>
#include <QPainter>
#include <QPen>

#include "forms/background_image.h"
#include "print/page_geometry.h"

namespace tallivo {

namespace {

const QColor kInk(40, 70, 140);
const QColor kPaper(252, 250, 240);
const QColor kBand(214, 226, 244);

// Each labelled cell of the form: a ruled rectangle with a small caption in its corner.
struct Cell {
    QRect rect;
    const char* label;
};

const Cell kCells[] = {
    {{10, 60, 352, 34}, u8"寄件人姓名"},      {{10, 94, 352, 34}, u8"寄件人电话"},
    {{10, 128, 352, 58}, u8"寄件人地址"},     {{372, 60, 352, 34}, u8"收件人姓名"},
    {{372, 94, 176, 34}, u8"手机"},           {{548, 94, 176, 34}, u8"电话"},
    {{372, 128, 352, 58}, u8"收件人地址"},    {{372, 186, 176, 30}, u8"邮政编码"},
    {{548, 186, 176, 30}, u8"目的地"},        {{10, 186, 352, 30}, u8"寄件日期"},
    {{10, 230, 352, 60}, u8"物品名称及数量"}, {{372, 230, 176, 60}, u8"声明价值（元）"},
    {{548, 230, 176, 60}, u8"运费（元）"},    {{10, 290, 352, 60}, u8"寄件人签名"},
    {{372, 290, 352, 60}, u8"收件人签名"},    {{10, 350, 714, 57}, u8"备注"},
};

}  // namespace

QImage DrawStarterWaybill() {
    QImage img(kPictureArea.width(), kPictureArea.height(), QImage::Format_RGB32);
    img.fill(kPaper);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QFont title(QStringLiteral("WenQuanYi Zen Hei"));
    title.setPixelSize(26);
    title.setBold(true);
    QFont label(QStringLiteral("WenQuanYi Zen Hei"));
    label.setPixelSize(11);

    p.setPen(QPen(kInk, 2));
    p.drawRect(QRect(4, 4, kPictureArea.width() - 9, kPictureArea.height() - 9));
    p.fillRect(QRect(10, 10, 714, 44), kBand);
    p.setFont(title);
    p.drawText(QRect(20, 10, 300, 44), Qt::AlignVCenter | Qt::AlignLeft,
               QString::fromUtf8(u8"快递运单"));
    p.setFont(label);
    p.drawText(QRect(180, 10, 200, 44), Qt::AlignVCenter | Qt::AlignLeft,
               QString::fromUtf8(u8"第一联 寄件人存根"));

    // Stripes that stand where a tracking bar code would be printed.
    int x = 470;
    for (int i = 0; x < 714; ++i) {
        const int w = 1 + (i * 7 + 3) % 4;
        if (i % 2 == 0) p.fillRect(QRect(x, 16, w, 26), kInk);
        x += w + 1;
    }

    p.setPen(QPen(kInk, 1));
    for (const Cell& c : kCells) {
        p.drawRect(c.rect);
        p.drawText(c.rect.adjusted(4, 2, -4, -2), Qt::AlignTop | Qt::AlignLeft,
                   QString::fromUtf8(c.label));
    }
    p.setPen(QPen(kInk, 1, Qt::DashLine));
    p.drawLine(367, 60, 367, 216);
    p.end();
    return img;
}

std::vector<StarterField> StarterWaybillFields() {
    return {
        {{80, 68, 270, 22}, QString::fromUtf8(u8"示例网店")},
        {{80, 102, 270, 22}, QStringLiteral("0571-88880000")},
        {{80, 136, 270, 46}, QString::fromUtf8(u8"浙江省杭州市西湖区文三路100号")},
        {{442, 68, 270, 22}, QString::fromUtf8(u8"{收货人}")},
        {{406, 102, 138, 22}, QString::fromUtf8(u8"{手机}")},
        {{578, 102, 142, 22}, QString::fromUtf8(u8"{电话}")},
        {{442, 136, 278, 46}, QString::fromUtf8(u8"{收货地址}")},
        {{430, 192, 114, 20}, QString::fromUtf8(u8"{邮政编码}")},
        {{70, 192, 200, 20}, QString::fromUtf8(u8"{发货日期}")},
    };
}

}  // namespace tallivo
