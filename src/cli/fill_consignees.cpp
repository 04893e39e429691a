#include "cli/fill_consignees.h"

#include <QString>
#include <cstdio>
#include <filesystem>

#include "cli/commands.h"
#include "orders/consignee_split.h"
#include "storage/file_io.h"

namespace tallivo {

bool IsConsigneeFile(const std::string& path) {
    return QString::fromStdString(std::filesystem::path(path).extension().string())
               .compare(QStringLiteral(".txt"), Qt::CaseInsensitive) == 0;
}

std::optional<int> LoadConsigneeFiles(const std::vector<std::string>& files,
                                      std::vector<Order>* orders, bool* partly) {
    for (const std::string& path : files) {
        // Read no further than a text that may be split: a larger file is refused all the same.
        constexpr std::size_t kLimit = static_cast<std::size_t>(kMaxConsigneePasteLength) * 4;
        const std::optional<std::string> bytes = ReadWholeFile(path, kLimit + 1);
        if (!bytes) {
            std::fprintf(stderr, "%s: cannot read the file\n", path.c_str());
            return kExitFailure;
        }
        ConsigneePaste paste;
        if (bytes->size() > kLimit)
            paste.tooLong = true;
        else
            paste = ConsigneesFromText(ConsigneeFileText(*bytes), path);
        if (paste.tooLong) {
            std::fprintf(stderr, "%s: 文字太长，没有识别\n", path.c_str());
            return kExitFailure;
        }
        if (paste.orders.empty()) {
            std::fprintf(stderr, "%s: no consignee found\n", path.c_str());
            return kExitFailure;
        }
        for (const QString& line : LeftOutMessage(paste).split(u'\n', Qt::SkipEmptyParts))
            std::fprintf(stderr, "%s: %s\n", path.c_str(), line.toStdString().c_str());
        if (!paste.leftOut.empty()) *partly = true;
        for (Order& order : paste.orders) orders->push_back(std::move(order));
    }
    return std::nullopt;
}

}  // namespace tallivo
