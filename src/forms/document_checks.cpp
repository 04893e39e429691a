#include "forms/document_checks.h"

#include <string>

#include "text/gbk_codec.h"

namespace tallivo {
namespace {

const std::string& KeywordLeftCaption() {
    static const std::string text = Gbk(u8"提示：有关键字段未被替换！");
    return text;
}

const std::string& KeywordLeftText() {
    static const std::string text = Gbk(u8"还有关键字段未被替换，继续保存吗？");
    return text;
}

const std::string& RepeatedTradeCaption() {
    static const std::string text = Gbk(u8"提示：有重复交易！");
    return text;
}

const std::string& RepeatedTradeText() {
    static const std::string text = Gbk(u8"有重复交易，是否继续？");
    return text;
}

bool Ask(Prompter* prompter, const std::string& caption, const std::string& text) {
    return prompter && prompter->AskYesNo(caption, text);
}

}  // namespace

std::size_t FindAsciiChar(std::string_view text, char wanted, std::size_t from) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) {
            ++i;
            continue;
        }
        if (i >= from && text[i] == wanted) return i;
    }
    return std::string_view::npos;
}

bool CheckUnreplacedKeyword(TextDocument& document, Prompter* prompter) {
    const std::string text = document.PlainText();
    const std::size_t open = FindAsciiChar(text, '{', 0);
    if (open == std::string::npos) return true;
    const std::size_t close = FindAsciiChar(text, '}', open);
    if (close == std::string::npos) return true;
    document.SetSelection(static_cast<int>(open), static_cast<int>(close - open + 1));
    return Ask(prompter, KeywordLeftCaption(), KeywordLeftText());
}

bool CheckRepeatedTrade(const GoodsGrid& grid, Prompter* prompter) {
    const std::string& first = grid.Cell(GoodsGrid::kTradeNumber, 1);
    if (first.empty()) return true;
    for (int row = 2; row <= grid.LastGoodsRow(); ++row) {
        if (grid.Cell(GoodsGrid::kTradeNumber, row) != first) continue;
        if (!Ask(prompter, RepeatedTradeCaption(), RepeatedTradeText())) return false;
    }
    return true;
}

}  // namespace tallivo
