// Writes the starter content into a folder: the drawn waybill picture, one freight-bill and one
// invoice template over it, and Config.pcf selecting them. Usage: tallivo-make-starter DIR
#include <QGuiApplication>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdio>

#include "cli/starter_waybill.h"
#include "forms/jpeg_codec.h"
#include "richtext/rtf.h"
#include "storage/config_file.h"
#include "storage/file_io.h"
#include "storage/template_records.h"
#include "storage/template_store.h"
#include "text/gbk_codec.h"

namespace {

using namespace tallivo;

QTextCharFormat Font(double points, bool bold = false) {
    QTextCharFormat f;
    f.setFontFamilies({QString::fromUtf8(u8"宋体")});
    f.setFontPointSize(points);
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    f.setForeground(Qt::black);
    return f;
}

std::string BoxRtf(const QString& text) {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(text, Font(10.5));
    return WriteRtf(doc);
}

std::string InvoiceBodyRtf() {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    QTextBlockFormat left;
    left.setAlignment(Qt::AlignLeft);
    c.setBlockFormat(centre);
    c.insertText(QString::fromUtf8(u8"发 货 单"), Font(18, true));
    const char* lines[] = {
        u8"发货单号：{发货单号}　　发货日期：{发货日期} {发货时间}　　交易网站：{交易网站}",
        u8"卖家：{卖家}　　买家：{买家}",
        u8"收货人：{收货人}　　手机：{手机}　　电话：{电话}",
        u8"收货地址：{收货地址}　　邮政编码：{邮政编码}",
    };
    for (const char* line : lines) {
        c.insertBlock(left);
        c.insertText(QString::fromUtf8(line), Font(10.5));
    }
    return WriteRtf(doc);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tallivo-make-starter DIR\n");
        return 2;
    }
    const std::string folder = argv[1];
    const std::string freightName = Gbk(u8"标准快递单");
    const std::string invoiceName = Gbk(u8"标准发货单");

    std::string jpeg;
    if (!EncodeJpeg(DrawStarterWaybill(), &jpeg).ok) {
        std::fprintf(stderr, "cannot encode the waybill picture\n");
        return 1;
    }
    const std::string imageName = freightName + ".jpg";
    EnsureFolder(folder);
    EnsureFolder(BackgroundImageFolder(folder));
    const std::optional<std::string> imagePath = BackgroundImagePath(folder, imageName);
    if (!imagePath || !WriteFileReplacing(*imagePath, jpeg)) {
        std::fprintf(stderr, "cannot write the waybill picture\n");
        return 1;
    }

    FreightBillRecord freight;
    freight.backgroundImage = imageName;
    for (const StarterField& f : StarterWaybillFields()) {
        FieldBoxRecord box;
        box.left = f.box.left();
        box.top = f.box.top();
        box.width = f.box.width();
        box.height = f.box.height();
        box.rtf = BoxRtf(f.text);
        freight.boxes.push_back(std::move(box));
    }
    std::string freightRecord;
    AppendFreightBillRecord(freightRecord, freight);

    InvoiceRecord invoice;
    invoice.printWidth = kDefaultPrintWidth;
    invoice.bodyRtf = InvoiceBodyRtf();
    std::string invoiceRecord;
    AppendInvoiceRecord(invoiceRecord, invoice);

    Config config;
    config.sourceSite = 0;
    config.defaultFreightBill = 0;
    config.defaultInvoice = 0;
    const StorageResult a = SaveFreightBillTemplates(folder, {{freightName, freightRecord}});
    const StorageResult b = SaveInvoiceTemplates(folder, {{invoiceName, invoiceRecord}});
    const StorageResult c = SaveConfig(folder, config);
    for (const StorageResult* r : {&a, &b, &c}) {
        if (!r->ok) {
            std::fprintf(stderr, "%s\n", GbkToUtf8(r->message).c_str());
            return 1;
        }
    }
    return 0;
}
