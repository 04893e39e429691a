#include "history/history_messages.h"

#include <QFileInfo>

#include "history/print_history.h"
#include "orders/gbk_string.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

std::string FileName(const QString& path) {
    return path.isEmpty() ? std::string(kPrintHistoryFileName)
                          : QStringToGbk(QFileInfo(path).fileName());
}

}  // namespace

const std::string& ReprintCaption() {
    static const std::string caption = Gbk(u8"提示：已打印过！");
    return caption;
}

std::string ReprintQuestion(FormKind form, const PrintedBefore& earlier) {
    if (!earlier.host.empty()) {
        // Several PCs share the history: the PC tells the packer whom to ask.
        std::string text = Gbk(u8"交易号") + earlier.tradeNumber + Gbk(u8"的") +
                           HistoryFormCaption(form) + Gbk(u8"已于 ") +
                           QStringToGbk(earlier.time.toString(QStringLiteral("yyyy-MM-dd HH:mm"))) +
                           Gbk(u8" 在 ") + earlier.host + Gbk(u8" 打印过");
        std::string more;
        if (!earlier.printer.empty()) more = Gbk(u8"打印机“") + earlier.printer + Gbk(u8"”");
        if (earlier.times > 1)
            more += (more.empty() ? "" : Gbk(u8"，")) + Gbk(u8"共") +
                    std::to_string(earlier.times) + Gbk(u8"次");
        if (!more.empty()) text += Gbk(u8"（") + more + Gbk(u8"）");
        return text + Gbk(u8"，确定要再次打印吗？");
    }
    std::string text = Gbk(u8"交易号") + earlier.tradeNumber + Gbk(u8"的") +
                       HistoryFormCaption(form) + Gbk(u8"已于") +
                       QStringToGbk(HistoryTimeText(earlier.time));
    if (!earlier.printer.empty()) text += Gbk(u8"在打印机“") + earlier.printer + Gbk(u8"”上");
    text += Gbk(u8"打印过");
    if (earlier.times > 1) text += Gbk(u8"（共") + std::to_string(earlier.times) + Gbk(u8"次）");
    text += Gbk(u8"，确定要再次打印吗？");
    return text;
}

std::string HistoryWriteFailedMessage(const QString& path) {
    return Gbk(u8"无法写入打印记录文件“") + FileName(path) +
           Gbk(u8"”，本次打印未记入打印记录，请检查磁盘空间和读写权限！");
}

std::string HistoryReadFailedMessage(const QString& path) {
    return Gbk(u8"无法读取打印记录文件“") + FileName(path) +
           Gbk(u8"”，列出的打印记录可能不全，重复打印提醒也可能不准确！");
}

std::string HistoryCannotMoveAsideMessage(const QString& path) {
    return Gbk(u8"打印记录文件“") + FileName(path) +
           Gbk(u8"”已损坏，且无法改名保存，本次打印未记入打印记录，请检查读写权限！");
}

std::string HistoryTooNewMessage(const QString& path) {
    return Gbk(u8"打印记录文件“") + FileName(path) +
           Gbk(u8"”由较新版本的程序创建，本程序无法使用，本次打印未记入打印记录！");
}

std::string HistorySetAsideMessage(int count, const QString& keptIn, const std::string& why) {
    return Gbk(u8"打印记录服务器拒收了 ") + std::to_string(count) +
           Gbk(u8" 条打印记录，这些记录保留在本机“") + QStringToGbk(QFileInfo(keptIn).fileName()) +
           Gbk(u8"”中，其余记录照常补传。原因：") + Utf8ToGbk(why);
}

std::string HistoryServerMessage(const QString& server, const std::string& detail) {
    return Gbk(u8"无法使用打印记录服务器“") + QStringToGbk(server) + Gbk(u8"”：") +
           Utf8ToGbk(detail);
}

std::string HistoryQueuedMessage() {
    return Gbk(u8"打印记录已暂存在本机（HistoryQueue.sqlite），服务器恢复后自动补传。");
}

std::string PrintUncheckedQuestion(const std::string& why) {
    return why + Gbk(u8"\n无法检查是否重复打印。是否不检查而继续打印？");
}

std::string HistoryDamagedMessage(const QString& movedTo, const QString& path) {
    return Gbk(u8"打印记录文件“") + FileName(path) + Gbk(u8"”已损坏，已改名为“") +
           QStringToGbk(QFileInfo(movedTo).fileName()) + Gbk(u8"”保存，并新建了打印记录文件！");
}

}  // namespace tallivo
