#include "print/fit_check.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <iterator>
#include <map>
#include <unordered_map>

#include "capture/keywords.h"
#include "orders/gbk_string.h"
#include "print/renderers.h"
#include "richtext/rich_text_layout.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

// Listing more characters of one box than this helps nobody.
constexpr int kMaxListedCharacters = 5;

bool Blank(const QString& s) {
    for (const QChar c : s) {
        if (!c.isSpace() && c != QChar::ParagraphSeparator && c != QChar::LineSeparator)
            return false;
    }
    return true;
}

// A line of text below the rectangle's height, or text the layout did not reach: something
// that will not be printed.
bool TextBelow(const QTextDocument& original, const FittingLayout& laidOut, double height) {
    for (const LaidOutText::Paragraph& p : laidOut.text->Paragraphs()) {
        if (!p.lines || p.lines->lineCount() == 0) {
            // The fitting lays paragraphs out in order and stops at the first line below the
            // height: a paragraph it left alone lies below that line.
            if (!Blank(p.text)) return true;
            continue;
        }
        const double top = p.lines->position().y();
        for (int i = 0; i < p.lines->lineCount(); ++i) {
            const QTextLine line = p.lines->lineAt(i);
            if (top + line.y() + line.height() <= height + 0.5) continue;
            if (!Blank(p.text.mid(line.textStart(), line.textLength()))) return true;
        }
    }
    // A copy cut short: whatever follows it was not laid out at all.
    const int laidChars = laidOut.text->CharacterCount();
    if (laidChars < original.characterCount()) {
        const QString rest = original.toPlainText().mid(laidChars - 1);
        return !Blank(rest);
    }
    return false;
}

// The keywords still in the text, each once, in the order of the vocabulary, and where the first
// of them is.
struct KeywordsLeft {
    std::string listed;  // GBK, "{收货人}{手机}"
    int firstPosition = -1;
};

KeywordsLeft FindKeywords(const QString& text) {
    KeywordsLeft found;
    static const std::vector<QString> keywords = [] {
        std::vector<QString> all;
        for (int k = 0; k < kKeywordCount; ++k)
            all.push_back(GbkToQString(KeywordText(static_cast<Keyword>(k))));
        return all;
    }();
    for (int k = 0; k < kKeywordCount; ++k) {
        const std::string& gbk = KeywordText(static_cast<Keyword>(k));
        const int at = text.indexOf(keywords[k]);
        if (at < 0) continue;
        found.listed += gbk;
        if (found.firstPosition < 0 || at < found.firstPosition) found.firstPosition = at;
    }
    return found;
}

bool NeedsAGlyph(char32_t c) {
    if (c < 0x20 || c == 0x7F) return false;
    const QChar::Category cat = QChar::category(c);
    return cat != QChar::Separator_Space && cat != QChar::Separator_Line &&
           cat != QChar::Separator_Paragraph && cat != QChar::Other_Control &&
           cat != QChar::Other_Format && c != QChar::ObjectReplacementCharacter;
}

// Adds the characters of `text` the font cannot show to `missing`, each once, and the
// position of the first in *first.
void CollectUnshown(FontCoverage& coverage, const QFont& font, const QString& text, int offset,
                    QString& missing, int* first) {
    const std::u32string chars = text.toStdU32String();
    int pos = offset;
    for (const char32_t c : chars) {
        if (NeedsAGlyph(c) && !coverage.Shows(font, c)) {
            if (*first < 0) *first = pos;
            const QString one = QString::fromUcs4(&c, 1);
            if (!missing.contains(one)) missing += one;
        }
        pos += c > 0xFFFF ? 2 : 1;
    }
}

// The characters of a document its fonts cannot show, and the position of the first.
QString UnshownCharacters(FontCoverage& coverage, const QTextDocument& doc, int* first) {
    QString missing;
    *first = -1;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const QFont font = fragment.charFormat().font().resolve(doc.defaultFont());
            CollectUnshown(coverage, font, fragment.text(), fragment.position(), missing, first);
        }
    }
    return missing;
}

std::string Listed(const QString& missing) {
    std::string out;
    int n = 0;
    for (const char32_t c : missing.toStdU32String()) {
        if (n++ == kMaxListedCharacters) {
            out += Gbk(u8"等");
            break;
        }
        // A character GBK cannot hold is named by its code: the font that shows the message
        // may lack it too.
        const QString one = QString::fromUcs4(&c, 1);
        std::string gbk = QStringToGbk(one);
        if (!GbkHolds(c)) gbk = "U+" + QString::number(c, 16).toUpper().toStdString();
        out += Gbk(u8"“") + gbk + Gbk(u8"”");
    }
    return out;
}

std::string BoxName(int box) {
    return Gbk(u8"第") + std::to_string(box + 1) + Gbk(u8"个文本框");
}

QRect ToQRect(const DeviceRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

// Where the line holding document position `pos` was drawn, in dots, across the text's width;
// the whole rectangle when that line was not drawn.
QRect LineRect(const FittingLayout& laidOut, int pos, const DeviceRect& textRect,
               const TwipsRect& twips, float ppmmY) {
    if (pos >= 0 && pos < laidOut.text->CharacterCount() - 1) {
        const std::vector<LaidOutText::Paragraph> paragraphs = laidOut.text->Paragraphs();
        auto p = std::upper_bound(
            paragraphs.begin(), paragraphs.end(), pos,
            [](int at, const LaidOutText::Paragraph& q) { return at < q.position; });
        const QTextLayout* lines = p == paragraphs.begin() ? nullptr : std::prev(p)->lines;
        if (lines && lines->lineCount() > 0) {
            const QTextLine line = lines->lineForTextPosition(pos - std::prev(p)->position);
            if (line.isValid()) {
                const double top = lines->position().y() + line.y();
                if (top + line.height() <= laidOut.bottom + 0.5) {
                    const int y0 = TwipsToDevice(twips.top + top, ppmmY);
                    const int y1 = TwipsToDevice(twips.top + top + line.height(), ppmmY);
                    return QRect(QPoint(textRect.left, y0),
                                 QPoint(textRect.right - 1, std::max(y0, y1 - 1)));
                }
            }
        }
    }
    return ToQRect(textRect);
}

}  // namespace

bool FontCoverage::Shows(const QFont& font, char32_t c) {
    auto& known = fonts_[font.key()];
    const auto hit = known.find(c);
    if (hit != known.end()) return hit->second;
    // The metrics of the font as resolved on the device, fallback fonts included: what the
    // printer actually draws with.
    const QFontMetrics metrics =
        device_ ? QFontMetrics(font, const_cast<QPaintDevice*>(device_)) : QFontMetrics(font);
    const bool shows = metrics.inFontUcs4(c);
    known.emplace(c, shows);
    return shows;
}

std::vector<FitFinding> CheckFreightBillFit(const FreightBillForm& form, const PageOptions& options,
                                            const QPaintDevice* device, FontCoverage* kept) {
    std::vector<FitFinding> findings;
    const auto scale =
        ComputeFreightBillScale(form.printWidth, form.background.width(), form.background.height(),
                                options.ppmmX, options.ppmmY);
    if (!scale) return findings;
    // The boxes sit where the page drawing puts them.
    const bool offsets = options.applyOffsets && !options.withBackground;
    const int ox = FreightBillOriginX(offsets ? form.biasX : 0, options.ppmmX);
    const int oy = FreightBillOriginY(offsets ? form.biasY : 0, options.ppmmY);
    FontCoverage own(device);
    FontCoverage& coverage = kept && kept->Device() == device ? *kept : own;
    for (std::size_t i = 0; i < form.boxes.size(); ++i) {
        const FieldBox* box = form.boxes[i].get();
        if (!box || !box->content) continue;
        const QTextDocument& doc = *box->content->Document();
        const int index = static_cast<int>(i);
        const DeviceRect dots = FreightBillBoxRect({box->left, box->top, box->width, box->height},
                                                   ox, oy, scale->sx, scale->sy);
        const QRect mark = ToQRect(dots);
        const DeviceRect twips = DeviceRectToTwips(dots, options.ppmmX, options.ppmmY);
        const double width = static_cast<double>(twips.right) - twips.left;
        const double height = static_cast<double>(twips.bottom) - twips.top;
        const QString text = doc.toPlainText();

        const bool overflow = width <= 0 || height <= 0
                                  ? !Blank(text)
                                  : TextBelow(doc, LayOutToFit(doc, width, height), height);
        if (overflow) {
            findings.push_back({FitProblem::kOverflow, index,
                                BoxName(index) + Gbk(u8"的文字超出了文本框，超出的部分不会打印"),
                                mark});
        }
        const KeywordsLeft keywords = FindKeywords(text);
        if (!keywords.listed.empty()) {
            findings.push_back(
                {FitProblem::kUnreplacedKeyword, index,
                 BoxName(index) + Gbk(u8"中的关键词") + keywords.listed + Gbk(u8"尚未替换"), mark});
        }
        int first = -1;
        const QString missing = UnshownCharacters(coverage, doc, &first);
        if (!missing.isEmpty()) {
            findings.push_back(
                {FitProblem::kUnshowableCharacter, index,
                 BoxName(index) + Gbk(u8"中的字符") + Listed(missing) + Gbk(u8"无法用打印字体显示"),
                 mark});
        }
    }
    return findings;
}

std::vector<FitFinding> CheckInvoiceFit(const InvoiceForm& form, const PageOptions& options,
                                        const QPaintDevice* device, FontCoverage* kept) {
    std::vector<FitFinding> findings;
    const PageSize page = InvoicePageSize(form, options);
    const DeviceRect textRect =
        InvoiceTextRect(page.width, page.height, options.ppmmX, options.ppmmY);
    const TwipsRect twips = DeviceRectToTwips(textRect, options.ppmmX, options.ppmmY);
    const double width = static_cast<double>(twips.right) - twips.left;
    const double height = static_cast<double>(twips.bottom) - twips.top;
    const QTextDocument& doc = *form.Body().Document();
    const QString text = doc.toPlainText();
    FontCoverage own(device);
    FontCoverage& coverage = kept && kept->Device() == device ? *kept : own;

    if (width > 0 && height > 0) {
        const FittingLayout laidOut = LayOutToFit(doc, width, height);
        if (TextBelow(doc, laidOut, height)) {
            findings.push_back({FitProblem::kOverflow, kFitInvoiceText,
                                Gbk(u8"发货单的文字超出了页面，超出的部分和商品表格不会打印"),
                                ToQRect(textRect)});
        }
        const KeywordsLeft keywords = FindKeywords(text);
        if (!keywords.listed.empty()) {
            findings.push_back(
                {FitProblem::kUnreplacedKeyword, kFitInvoiceText,
                 Gbk(u8"发货单中的关键词") + keywords.listed + Gbk(u8"尚未替换"),
                 LineRect(laidOut, keywords.firstPosition, textRect, twips, options.ppmmY)});
        }
        int first = -1;
        const QString missing = UnshownCharacters(coverage, doc, &first);
        if (!missing.isEmpty()) {
            findings.push_back(
                {FitProblem::kUnshowableCharacter, kFitInvoiceText,
                 Gbk(u8"发货单中的字符") + Listed(missing) + Gbk(u8"无法用打印字体显示"),
                 LineRect(laidOut, first, textRect, twips, options.ppmmY)});
        }
    }

    QString missing;
    int first = -1;
    const QFont gridFont = GridFont();
    for (int r = 0; r < form.grid.RowCount(); ++r) {
        for (int c = 0; c < GoodsGrid::kColumnCount; ++c) {
            const std::string& cell = form.grid.Cell(c, r);
            if (!cell.empty())
                CollectUnshown(coverage, gridFont, GbkToQString(cell), 0, missing, &first);
        }
    }
    if (!missing.isEmpty()) {
        findings.push_back(
            {FitProblem::kUnshowableCharacter, kFitInvoiceGrid,
             Gbk(u8"商品表格中的字符") + Listed(missing) + Gbk(u8"无法用打印字体显示"), QRect()});
    }
    return findings;
}

const std::string& FitQuestionCaption() {
    static const std::string caption = Gbk(u8"提示：有内容无法正常打印！");
    return caption;
}

std::string FitQuestion(const std::vector<FitFinding>& findings) {
    std::string text = Gbk(u8"打印前检查发现以下问题：");
    for (const FitFinding& f : findings) text += "\n" + f.text + Gbk(u8"；");
    text += "\n" + Gbk(u8"确定要继续打印吗？");
    return text;
}

void PaintFitMarks(QPainter& painter, const std::vector<FitFinding>& findings) {
    painter.save();
    QPen pen(QColor(255, 0, 0));
    pen.setWidth(2);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(QColor(255, 0, 0, 40));
    std::vector<QRect> drawn;
    for (const FitFinding& f : findings) {
        if (f.rect.isEmpty()) continue;
        if (std::find(drawn.begin(), drawn.end(), f.rect) != drawn.end()) continue;
        drawn.push_back(f.rect);
        painter.drawRect(f.rect);
    }
    painter.restore();
}

}  // namespace tallivo
