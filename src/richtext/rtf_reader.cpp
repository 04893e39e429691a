#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_set>
#include <vector>

#include "richtext/gbk_tables.h"
#include "richtext/rtf.h"
#include "richtext/rtf_font_name.h"

namespace tallivo {

namespace {

// Deeper groups still count braces but share their parent's state, so a flood of "{" cannot
// grow memory.
constexpr std::size_t kMaxDepth = 4096;
constexpr int kMaxWordLength = 32;

enum class Dest { Text, FontTable, ColorTable, Skip };
enum class CodePage { Gbk, Latin };

struct CharState {
    int font = -1;  // -1: the default font (\deff)
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int color = 0;

    bool operator==(const CharState& o) const {
        return font == o.font && halfPoints == o.halfPoints && bold == o.bold &&
               italic == o.italic && underline == o.underline && strike == o.strike &&
               color == o.color;
    }
    bool operator!=(const CharState& o) const { return !(*this == o); }
};

struct Group {
    CharState ch;
    int align = 0;  // 0 left, 1 centre, 2 right, 3 justified
    int uc = 1;     // fallback characters after \u
    Dest dest = Dest::Text;
};

struct Font {
    QString name;
    int charset = 1;
};

bool IsLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Groups whose content is never shown.
bool IsSkippedDestination(std::string_view w) {
    // clang-format off
    static const std::unordered_set<std::string_view> kSkip = {
        "stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf", "footer",
        "footerl", "footerr", "footerf", "footnote", "annotation", "fldinst", "objdata",
        "objclass", "objname", "themedata", "colorschememapping", "latentstyles", "datastore",
        "xmlnstbl", "listtable", "listoverridetable", "rsidtbl", "generator", "pn", "pntxta",
        "pntxtb", "filetbl", "revtbl", "bkmkstart", "bkmkend", "txe", "xe", "tc", "shpinst",
        "nonshppict", "userprops", "docvar", "template", "author", "operator", "title", "subject",
        "keywords", "comment", "company", "doccomm", "atnid", "atnauthor", "private", "mmathPr",
        "ftnsep", "ftnsepc", "aftnsep", "aftnsepc", "listpicture", "panose", "falt", "fontemb",
        "fontfile"};
    // clang-format on
    return kSkip.count(w) != 0;
}

class RtfReader {
public:
    RtfReader(QTextDocument& doc, std::string_view in) : in_(in), cursor_(&doc) {}

    void Run() {
        stack_.reserve(64);
        stack_.push_back(Group{});
        pos_ = 1;  // past the opening brace of the header group
        while (pos_ < in_.size() && !done_) Step();
        FlushRun();
        if (!paragraphPending_) FinishParagraph();
    }

private:
    Group& Top() { return stack_.back(); }

    void Step() {
        const auto c = static_cast<unsigned char>(in_[pos_]);
        if (c != '\r' && c != '\n') {
            trailArmed_ = skipTrail_;
            skipTrail_ = false;
        }
        switch (c) {
            case '{':
                ++pos_;
                skipFallback_ = 0;
                if (stack_.size() >= kMaxDepth) {
                    ++overflow_;
                } else {
                    stack_.push_back(stack_.back());
                }
                return;
            case '}':
                ++pos_;
                skipFallback_ = 0;
                CloseGroup();
                return;
            case '\\':
                ControlSequence();
                return;
            case '\r':
            case '\n':
            case '\0':
                ++pos_;
                return;
            default:
                ++pos_;
                if (c == '\t') {
                    if (!ConsumeFallback()) Character(u'\t');
                } else {
                    Byte(c);
                }
                return;
        }
    }

    void CloseGroup() {
        if (overflow_ > 0) {
            --overflow_;
            return;
        }
        if (Top().dest == Dest::FontTable && (!fontName_.isEmpty() || !fontBytes_.empty())) {
            FinishFontEntry();  // an entry whose ";" is missing
        }
        if (stack_.size() <= 1) {
            done_ = true;  // the header group is closed: nothing after it is read
            return;
        }
        stack_.pop_back();
    }

    void ControlSequence() {
        ++pos_;  // backslash
        if (pos_ >= in_.size()) return;
        const auto c = static_cast<unsigned char>(in_[pos_]);
        if (!IsLetter(c)) {
            ++pos_;
            Symbol(c);
            return;
        }
        const std::size_t start = pos_;
        while (pos_ < in_.size() && IsLetter(static_cast<unsigned char>(in_[pos_]))) ++pos_;
        std::string_view word = in_.substr(start, pos_ - start);
        if (word.size() > kMaxWordLength) word = std::string_view();  // no such word
        bool hasParam = false;
        long long param = 0;
        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' &&
            IsDigit(static_cast<unsigned char>(in_[pos_ + 1]))) {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && IsDigit(static_cast<unsigned char>(in_[pos_]))) {
            hasParam = true;
            if (param < 0x7FFFFFFF) param = param * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (param > 0x7FFFFFFF) param = 0x7FFFFFFF;
        if (negative) param = -param;
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        Word(word, hasParam, static_cast<int>(param));
    }

    void Symbol(unsigned char c) {
        if (c == '\'') {
            int value = -1;
            if (pos_ + 1 < in_.size()) {
                const int hi = HexValue(static_cast<unsigned char>(in_[pos_]));
                const int lo = HexValue(static_cast<unsigned char>(in_[pos_ + 1]));
                if (hi >= 0 && lo >= 0) value = hi * 16 + lo;
            }
            if (value < 0) return;
            pos_ += 2;
            if (ConsumeFallback()) {
                // Some writers count a two-byte fallback as one character: its trail byte
                // belongs to the fallback too. A byte that completes a pair is no lead, nor is
                // any byte of a one-byte code page.
                const bool lead = !fallbackLead_ && value >= 0x81 && value <= 0xFE &&
                                  CodePageFor(CharsetOf(Top().ch)) == CodePage::Gbk;
                fallbackLead_ = lead;
                skipTrail_ = skipFallback_ == 0 && lead;
                return;
            }
            if (trailArmed_ && value >= 0x40 && value <= 0xFE) return;
            Byte(static_cast<unsigned char>(value));
            return;
        }
        if (ConsumeFallback()) return;
        switch (c) {
            case '\\':
            case '{':
            case '}':
                Byte(c);
                break;
            case '*':
                Top().dest = Dest::Skip;
                break;
            case '~':
                Character(u' ');
                break;
            case '_':
                Character(u'-');
                break;
            case '\r':
            case '\n':
                if (Top().dest == Dest::Text) Paragraph();
                break;
            default:
                break;  // \- \| \: and the like show nothing
        }
    }

    // A \u's fallback is skipped: characters, escapes and control words each count one.
    bool ConsumeFallback() {
        if (skipFallback_ <= 0) return false;
        --skipFallback_;
        return true;
    }

    void Word(std::string_view w, bool hasParam, int p) {
        if (w == "bin") {
            // Binary data: skip it, however long it claims to be.
            const std::size_t n =
                hasParam && p > 0 ? std::min<std::size_t>(p, in_.size() - pos_) : 0;
            pos_ += n;
            ConsumeFallback();
            return;
        }
        if (ConsumeFallback()) return;
        Group& g = Top();
        if (g.dest == Dest::Skip) return;
        if (w == "u") {
            if (!hasParam) return;
            int v = p;
            if (v < 0) v += 65536;
            if (v >= 0 && v <= 0xFFFF) Unicode(static_cast<char16_t>(v));
            skipFallback_ = g.uc;
            fallbackLead_ = false;
            return;
        }
        if (w == "uc") {
            g.uc = std::clamp(hasParam ? p : 1, 0, 64);
            return;
        }
        if (g.dest == Dest::FontTable) {
            FontTableWord(w, hasParam, p);
            return;
        }
        if (g.dest == Dest::ColorTable) {
            const int v = std::clamp(p, 0, 255);
            if (w == "red") {
                red_ = v;
                colorSet_ = true;
            } else if (w == "green") {
                green_ = v;
                colorSet_ = true;
            } else if (w == "blue") {
                blue_ = v;
                colorSet_ = true;
            }
            return;
        }
        if (IsSkippedDestination(w)) {
            g.dest = Dest::Skip;
            return;
        }
        CharState& ch = g.ch;
        const bool on = !hasParam || p != 0;
        switch (w.empty() ? 0 : w[0]) {
            case 'a':
                if (w == "ansicpg") codePage_ = p == 1252 ? CodePage::Latin : CodePage::Gbk;
                return;
            case 'b':
                if (w == "b") {
                    ch.bold = on;
                } else if (w == "bullet") {
                    Character(u'\x2022');
                }
                return;
            case 'c':
                if (w == "cf") {
                    ch.color = hasParam ? std::max(p, 0) : 0;
                } else if (w == "cell" || w == "nestcell") {
                    Character(u'\t');
                } else if (w == "colortbl") {
                    g.dest = Dest::ColorTable;
                    colors_.clear();
                    colorSet_ = false;
                }
                return;
            case 'd':
                if (w == "deff") defaultFont_ = p;
                return;
            case 'e':
                if (w == "emdash") {
                    Character(u'\x2014');
                } else if (w == "endash") {
                    Character(u'\x2013');
                } else if (w == "emspace" || w == "enspace") {
                    Character(u' ');
                }
                return;
            case 'f':
                if (w == "f") {
                    ch.font = hasParam ? p : -1;
                } else if (w == "fs") {
                    ch.halfPoints = hasParam && p > 0 ? std::min(p, 3276) : 24;
                } else if (w == "fonttbl") {
                    g.dest = Dest::FontTable;
                }
                return;
            case 'i':
                if (w == "i") ch.italic = on;
                return;
            case 'l':
                if (w == "line") {
                    Character(QChar::LineSeparator);
                } else if (w == "lquote") {
                    Character(u'\x2018');
                } else if (w == "ldblquote") {
                    Character(u'\x201C');
                }
                return;
            case 'n':
                if (w == "nestrow") Paragraph();
                return;
            case 'p':
                if (w == "par") {
                    Paragraph();
                } else if (w == "pard") {
                    g.align = 0;
                } else if (w == "plain") {
                    ch = CharState{};
                } else if (w == "page") {
                    Paragraph();
                }
                return;
            case 'q':
                if (w == "ql") {
                    g.align = 0;
                } else if (w == "qc") {
                    g.align = 1;
                } else if (w == "qr") {
                    g.align = 2;
                } else if (w == "qj" || w == "qd") {
                    g.align = 3;
                }
                return;
            case 'r':
                if (w == "row") {
                    Paragraph();
                } else if (w == "rquote") {
                    Character(u'\x2019');
                } else if (w == "rdblquote") {
                    Character(u'\x201D');
                }
                return;
            case 's':
                if (w == "strike") {
                    ch.strike = on;
                } else if (w == "striked") {
                    ch.strike = on;
                } else if (w == "sect") {
                    Paragraph();
                }
                return;
            case 't':
                if (w == "tab") Character(u'\t');
                return;
            case 'u':
                if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" ||
                    w == "ulth" || w == "ulwave" || w == "uldashd" || w == "uldashdd") {
                    ch.underline = on;
                } else if (w == "ulnone") {
                    ch.underline = false;
                }
                return;
            default:
                return;
        }
    }

    void FontTableWord(std::string_view w, bool hasParam, int p) {
        if (w == "f") {
            if (!fontName_.isEmpty() || !fontBytes_.empty()) FinishFontEntry();
            fontNumber_ = hasParam ? p : 0;
            fontCharset_ = 1;
        } else if (w == "fcharset") {
            fontCharset_ = p;
        } else if (IsSkippedDestination(w)) {
            Top().dest = Dest::Skip;
        }
    }

    void FinishFontEntry() {
        FlushFontBytes();
        Font f;
        f.name = RtfFontName(fontName_);
        f.charset = fontCharset_;
        if (!f.name.isEmpty()) fonts_[fontNumber_] = f;
        fontName_.clear();
        fontBytes_.clear();
    }

    void FlushFontBytes() {
        if (fontBytes_.empty()) return;
        fontName_ += DecodeFor(fontCharset_, fontBytes_);
        fontBytes_.clear();
    }

    CodePage CodePageFor(int charset) const {
        switch (charset) {
            case 134:
            case 128:
            case 129:
            case 136:
                return CodePage::Gbk;
            case 0:
            case 1:
                return codePage_;
            default:
                return CodePage::Latin;
        }
    }

    QString DecodeFor(int charset, std::string_view bytes) const {
        return CodePageFor(charset) == CodePage::Gbk ? gbk::Decode(bytes) : gbk::DecodeLatin(bytes);
    }

    int CharsetOf(const CharState& s) const {
        const auto it = fonts_.find(s.font >= 0 ? s.font : defaultFont_);
        return it == fonts_.end() ? 1 : it->second.charset;
    }

    // A byte of text in the code page of the current font.
    void Byte(unsigned char b) {
        if (ConsumeFallback()) return;
        Group& g = Top();
        switch (g.dest) {
            case Dest::Skip:
                return;
            case Dest::FontTable:
                if (b == ';') {
                    FinishFontEntry();
                } else {
                    fontBytes_ += char(b);
                }
                return;
            case Dest::ColorTable:
                if (b == ';') {
                    colors_.push_back(colorSet_ ? QColor(red_, green_, blue_) : QColor());
                    red_ = green_ = blue_ = 0;
                    colorSet_ = false;
                }
                return;
            case Dest::Text:
                break;
        }
        BeginText();
        if (g.ch != runState_ || (!bytes_.empty() && CharsetOf(g.ch) != bytesCharset_)) {
            FlushRun();
            runState_ = g.ch;
        }
        if (bytes_.empty()) bytesCharset_ = CharsetOf(g.ch);
        bytes_ += char(b);
    }

    void Unicode(char16_t u) {
        Group& g = Top();
        if (g.dest == Dest::FontTable) {
            FlushFontBytes();
            fontName_ += QChar(u);
            return;
        }
        if (g.dest != Dest::Text) return;
        // Breaks come only from control words, and the document cannot hold NUL or its own
        // frame markers as text.
        if (u == 0 || u == '\r' || u == '\n' || u == 0x2029 || u == 0xFDD0 || u == 0xFDD1) return;
        Character(u);
    }

    void Character(QChar c) {
        Group& g = Top();
        if (g.dest != Dest::Text) return;
        BeginText();
        if (g.ch != runState_) {
            FlushRun();
            runState_ = g.ch;
        }
        FlushBytes();
        run_ += c;
    }

    void FlushBytes() {
        if (bytes_.empty()) return;
        QString text = DecodeFor(bytesCharset_, bytes_);
        bytes_.clear();
        // Breaks come only from control words; stray control bytes must not split paragraphs.
        text.remove(QLatin1Char('\r'));
        text.remove(QLatin1Char('\n'));
        text.remove(QChar(0));
        text.remove(QChar::ParagraphSeparator);
        run_ += text;
    }

    // The first text after a \par opens the next paragraph.
    void BeginText() {
        if (!paragraphPending_) return;
        cursor_.insertBlock();
        paragraphPending_ = false;
        blockHasText_ = false;
    }

    QTextCharFormat Format(const CharState& s) {
        if (formatValid_ && s == formatState_) return format_;
        QTextCharFormat f;
        const auto font = fonts_.find(s.font >= 0 ? s.font : defaultFont_);
        if (font != fonts_.end()) f.setFontFamilies({font->second.name});
        f.setFontPointSize(s.halfPoints / 2.0);
        f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(s.italic);
        f.setFontUnderline(s.underline);
        f.setFontStrikeOut(s.strike);
        if (s.color > 0 && s.color < static_cast<int>(colors_.size()) &&
            colors_[static_cast<std::size_t>(s.color)].isValid()) {
            f.setForeground(colors_[static_cast<std::size_t>(s.color)]);
        }
        format_ = f;
        formatState_ = s;
        formatValid_ = true;
        return f;
    }

    void FlushRun() {
        FlushBytes();
        if (run_.isEmpty()) return;
        cursor_.insertText(run_, Format(runState_));
        run_.clear();
        blockHasText_ = true;
    }

    void FinishParagraph() {
        QTextBlockFormat bf;
        const int a = Top().align;
        bf.setAlignment(a == 1   ? Qt::AlignHCenter
                        : a == 2 ? Qt::AlignRight
                        : a == 3 ? Qt::AlignJustify
                                 : Qt::AlignLeft);
        cursor_.setBlockFormat(bf);
        if (!blockHasText_) cursor_.setBlockCharFormat(Format(Top().ch));
    }

    void Paragraph() {
        if (Top().dest != Dest::Text) return;
        FlushRun();
        BeginText();
        FinishParagraph();
        paragraphPending_ = true;
    }

    std::string_view in_;
    QTextCursor cursor_;
    std::size_t pos_ = 0;
    bool done_ = false;
    std::vector<Group> stack_;
    std::size_t overflow_ = 0;
    int skipFallback_ = 0;
    bool skipTrail_ = false;
    bool fallbackLead_ = false;  // the last fallback byte skipped opened a two-byte character
    bool trailArmed_ = false;
    CodePage codePage_ = CodePage::Gbk;
    int defaultFont_ = 0;

    std::map<int, Font> fonts_;
    int fontNumber_ = 0;
    int fontCharset_ = 1;
    QString fontName_;
    std::string fontBytes_;

    std::vector<QColor> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSet_ = false;

    CharState runState_;
    std::string bytes_;
    int bytesCharset_ = 1;
    QString run_;
    bool paragraphPending_ = false;
    bool blockHasText_ = false;

    QTextCharFormat format_;
    CharState formatState_;
    bool formatValid_ = false;
};

// Rebuilds the content in one edit without undo history, as loading a file does.
template <typename Fill>
void Replace(QTextDocument& document, Fill fill) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    fill();
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
}

}  // namespace

bool LooksLikeRtf(std::string_view text) {
    return text.substr(0, 5) == "{\\rtf";
}

void ReadRtf(QTextDocument& document, std::string_view rtf) {
    if (!LooksLikeRtf(rtf)) {
        SetGbkPlainText(document, rtf);
        return;
    }
    Replace(document, [&] {
        RtfReader reader(document, rtf);
        QTextCursor batch(&document);
        batch.beginEditBlock();
        reader.Run();
        batch.endEditBlock();
    });
}

void SetGbkPlainText(QTextDocument& document, std::string_view gbk) {
    Replace(document, [&] {
        QString text = gbk::Decode(gbk);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        text.remove(QChar(0));
        QTextCursor cursor(&document);
        cursor.insertText(text);
    });
}

}  // namespace tallivo
