#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "richtext/char_format.h"
#include "richtext/gbk_tables.h"
#include "richtext/rtf.h"
#include "richtext/rtf_font_name.h"

namespace tallivo {

namespace {

const char kHex[] = "0123456789abcdef";
constexpr int kMaxHalfPoints = 3276;  // 1638 points, the largest size a rich-edit box shows

// Families that need the GB2312 character set although their names are ASCII.
bool IsCjkFamily(const QString& family) {
    for (const QChar c : family) {
        if (c.unicode() >= 0x80) return true;
    }
    static const char* const kCjk[] = {"SimSun",         "NSimSun",
                                       "SimHei",         "KaiTi",
                                       "FangSong",       "YouYuan",
                                       "LiSu",           "Microsoft YaHei",
                                       "WenQuanYi",      "Noto Sans CJK",
                                       "Noto Serif CJK", "Source Han",
                                       "AR PL",          "Droid Sans Fallback"};
    for (const char* name : kCjk) {
        if (family.startsWith(QLatin1String(name), Qt::CaseInsensitive)) return true;
    }
    return false;
}

struct RunState {
    int font = 0;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int color = 0;
};

class RtfWriter {
public:
    explicit RtfWriter(const QTextDocument& doc) : doc_(doc) {}

    std::string Write() {
        FontIndex(doc_.defaultFont().family());  // \deff0 is the document's default font
        body_.reserve(static_cast<std::size_t>(doc_.characterCount()) * 2 + 64);
        int align = -1;
        for (QTextBlock block = doc_.begin(); block.isValid(); block = block.next()) {
            const int a = AlignmentCode(block.blockFormat());
            if (a != align) {
                Word("\\pard");
                if (a != 0) Word(a == 1 ? "\\qc" : a == 2 ? "\\qr" : "\\qj");
                align = a;
            }
            bool empty = true;
            for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (!fragment.isValid() || fragment.length() == 0) continue;
                empty = false;
                SwitchTo(StateOf(fragment.charFormat()));
                Text(fragment.text());
            }
            // An empty paragraph's height comes from its paragraph mark's format.
            if (empty) SwitchTo(StateOf(block.charFormat()));
            Word("\\par");
            body_ += "\r\n";
            delimit_ = false;
        }
        return Assemble();
    }

private:
    static int AlignmentCode(const QTextBlockFormat& f) {
        const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignHCenter) return 1;
        if (a & (Qt::AlignRight | Qt::AlignTrailing)) return 2;
        if (a & Qt::AlignJustify) return 3;
        return 0;
    }

    int FontIndex(QString family) {
        family = RtfFontName(std::move(family));
        if (family.isEmpty() && !fonts_.empty()) return 0;  // no name: the default font
        auto it = fontIndex_.find(family);
        if (it != fontIndex_.end()) return it->second;
        const int index = static_cast<int>(fonts_.size());
        fonts_.push_back(family);
        fontIndex_.emplace(family, index);
        return index;
    }

    int ColorIndex(const QColor& color) {
        if (!color.isValid()) return 0;
        const QRgb rgb = color.rgb() & 0xFFFFFF;
        auto it = colorIndex_.find(rgb);
        if (it != colorIndex_.end()) return it->second;
        colors_.push_back(rgb);
        const int index = static_cast<int>(colors_.size());  // 0 is the automatic colour
        colorIndex_.emplace(rgb, index);
        return index;
    }

    RunState StateOf(const QTextCharFormat& f) {
        RunState s;
        s.font = FontIndex(EffectiveFamily(f, doc_));
        // Within what the reader accepts, so that a second write gives the same bytes.
        s.halfPoints = static_cast<int>(
            std::lround(std::clamp(EffectivePointSize(f, doc_) * 2, 1.0, double(kMaxHalfPoints))));
        s.bold = EffectiveBold(f);
        s.italic = f.fontItalic();
        s.underline = f.fontUnderline();
        s.strike = f.fontStrikeOut();
        s.color = ColorIndex(EffectiveColor(f));
        return s;
    }

    void SwitchTo(const RunState& s) {
        if (s.font != state_.font) Word("\\f", s.font);
        if (s.halfPoints != state_.halfPoints) Word("\\fs", s.halfPoints);
        if (s.bold != state_.bold) Word(s.bold ? "\\b" : "\\b0");
        if (s.italic != state_.italic) Word(s.italic ? "\\i" : "\\i0");
        if (s.underline != state_.underline) Word(s.underline ? "\\ul" : "\\ulnone");
        if (s.strike != state_.strike) Word(s.strike ? "\\strike" : "\\strike0");
        if (s.color != state_.color) Word("\\cf", s.color);
        state_ = s;
    }

    void Word(const char* word) {
        body_ += word;
        delimit_ = true;
    }
    void Word(const char* word, int value) {
        body_ += word;
        body_ += std::to_string(value);
        delimit_ = true;
    }

    static void Escape(std::string& out, unsigned char b) {
        out += "\\'";
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }

    // Text of a run, or a font name when `out` is the font table.
    void Text(const QString& text) { AppendText(body_, text, delimit_); }

    static void AppendText(std::string& out, const QString& text, bool& delimit) {
        const char16_t* u = reinterpret_cast<const char16_t*>(text.utf16());
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = u[i];
            if (c == '\t') {
                out += "\\tab";
                delimit = true;
                continue;
            }
            if (c == QChar::LineSeparator) {
                out += "\\line";
                delimit = true;
                continue;
            }
            if (c >= 0x20 && c < 0x80) {
                if (delimit) out += ' ';
                delimit = false;
                if (c == '\\' || c == '{' || c == '}') out += '\\';
                out += char(c);
                continue;
            }
            const int code = gbk::Code(c);
            if (c < 0x20 || (code >= 0 && code <= 0xFF)) {
                Escape(out, static_cast<unsigned char>(c < 0x20 ? c : code));
            } else if (code > 0xFF) {
                Escape(out, static_cast<unsigned char>(code >> 8));
                Escape(out, static_cast<unsigned char>(code & 0xFF));
            } else {
                // Beyond GBK: kept as Unicode, with "?" for readers that know only GBK.
                out += "\\u";
                out += std::to_string(static_cast<int>(static_cast<int16_t>(c)));
                out += '?';
            }
            delimit = false;
        }
    }

    std::string Assemble() {
        std::string out;
        out.reserve(body_.size() + 256 + fonts_.size() * 48 + colors_.size() * 32);
        out += "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang2052{\\fonttbl";
        for (std::size_t i = 0; i < fonts_.size(); ++i) {
            out += "{\\f";
            out += std::to_string(i);
            out += IsCjkFamily(fonts_[i]) ? "\\fnil\\fcharset134" : "\\fnil\\fcharset0";
            out += ' ';
            bool delimit = false;
            AppendText(out, fonts_[i], delimit);
            out += ";}";
        }
        out += "}\r\n{\\colortbl ;";
        for (const QRgb rgb : colors_) {
            out += "\\red" + std::to_string(qRed(rgb)) + "\\green" + std::to_string(qGreen(rgb)) +
                   "\\blue" + std::to_string(qBlue(rgb)) + ";";
        }
        out += "}\r\n\\viewkind4\\uc1";
        out += body_;
        out += "}";
        return out;
    }

    const QTextDocument& doc_;
    std::string body_;
    bool delimit_ = false;
    RunState state_;
    std::vector<QString> fonts_;
    std::map<QString, int> fontIndex_;
    std::vector<QRgb> colors_;
    std::map<QRgb, int> colorIndex_;
};

}  // namespace

std::string WriteRtf(const QTextDocument& document) {
    return RtfWriter(document).Write();
}

std::string GbkPlainText(const QTextDocument& document) {
    std::string out;
    gbk::DocumentText(document, out, nullptr);
    return out;
}

}  // namespace tallivo
