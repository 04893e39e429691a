#include "richtext/gbk_tables.h"

#include <QTextBlock>
#include <QTextDocument>
#include <array>
#include <memory>
#include <vector>

#include "text/gbk_codec.h"

namespace tallivo {
namespace gbk {

namespace {

constexpr int kLeadFirst = 0x81;
constexpr int kTrailFirst = 0x40;
constexpr int kTrailCount = 0xFF - kTrailFirst;  // 0x40..0xFE

struct Tables {
    std::array<int, 0x10000> code;  // -1: GBK lacks it
};

struct GbkPreferredCode {
    char16_t unit;
    int code;
};

// kGbkPair (0: no character), kGbkSingle and kGbkPreferred, decoded from the codec when the
// program was built.
#include "gbk_tables_data.inc"

// Only the encoding direction is built at run time, from the decoding tables: the first code
// that decodes to a character is its code, unless the encoder prefers another.
std::unique_ptr<Tables> BuildTables() {
    auto t = std::make_unique<Tables>();
    t->code.fill(-1);
    for (int u = 0; u < 0x80; ++u) t->code[u] = u;
    auto learn = [&](char16_t u, int code) {
        if (u != 0 && t->code[u] < 0) t->code[u] = code;
    };
    for (int lead = kLeadFirst; lead <= 0xFE; ++lead) {
        for (int trail = kTrailFirst; trail <= 0xFE; ++trail) {
            learn(kGbkPair[(lead - kLeadFirst) * kTrailCount + (trail - kTrailFirst)],
                  lead << 8 | trail);
        }
    }
    for (int b = 0x80; b <= 0xFF; ++b) learn(kGbkSingle[b], b);
    for (const GbkPreferredCode& preferred : kGbkPreferred) {
        if (preferred.unit != 0) t->code[preferred.unit] = preferred.code;
    }
    return t;
}

const Tables& T() {
    static const std::unique_ptr<Tables> tables = BuildTables();
    return *tables;
}

// Windows-1252 0x80..0x9F; 0 where the code page leaves a hole.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsHigh(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

int Code(char16_t unit) {
    return T().code[unit];
}

int ByteLength(char16_t unit) {
    const int c = T().code[unit];
    if (c >= 0) return c > 0xFF ? 2 : 1;
    if (IsHigh(unit)) return 0;
    if (IsLow(unit)) return 4;
    std::string bytes;
    return AppendGbkCharacter(bytes, unit);
}

int Append(std::string& out, char16_t unit) {
    const int c = T().code[unit];
    if (c < 0) return AppendGbkCharacter(out, IsHigh(unit) || IsLow(unit) ? U'?' : unit);
    if (c > 0xFF) {
        out += char(c >> 8);
        out += char(c & 0xFF);
        return 2;
    }
    out += char(c);
    return 1;
}

QString Decode(std::string_view gbk) {
    QString s;
    s.reserve(static_cast<qsizetype>(gbk.size()));
    const auto* p = reinterpret_cast<const unsigned char*>(gbk.data());
    const std::size_t n = gbk.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            s += QChar(b);
            continue;
        }
        if (b >= kLeadFirst && b <= 0xFE && i + 1 < n && p[i + 1] >= kTrailFirst &&
            p[i + 1] <= 0xFE) {
            const char16_t u = kGbkPair[(b - kLeadFirst) * kTrailCount + (p[i + 1] - kTrailFirst)];
            if (u != 0) {
                s += QChar(u);
                ++i;
                continue;
            }
        }
        // What only GB18030 holds, in two bytes or four.
        std::size_t length = 1;
        const char32_t c = GbkCharacterAt(gbk, i, &length);
        if (c == kNoCharacter) {
            s += QChar('?');
            continue;
        }
        const char32_t one[] = {c};
        s += QString::fromUcs4(one, 1);
        i += length - 1;
    }
    return s;
}

QString DecodeLatin(std::string_view bytes) {
    QString s;
    s.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0) {
            s += kCp1252High[b - 0x80] != 0 ? QChar(kCp1252High[b - 0x80]) : QChar('?');
        } else {
            s += QChar(b);
        }
    }
    return s;
}

void DocumentText(const QTextDocument& document, std::string& out, std::vector<int>* byteAt) {
    const Tables& t = T();
    out.clear();
    const int count = document.characterCount();
    if (byteAt) byteAt->assign(static_cast<std::size_t>(count > 0 ? count : 1), 0);
    int filled = 0;  // positions below this have their byte offset
    auto fillTo = [&](int pos) {
        if (!byteAt) return;
        const int bytes = static_cast<int>(out.size());
        for (; filled < pos && filled < count; ++filled) (*byteAt)[filled] = bytes;
    };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const int start = block.position();
        fillTo(start);
        const QString text = block.text();
        const char16_t* u = reinterpret_cast<const char16_t*>(text.utf16());
        const int len = static_cast<int>(text.size());
        for (int i = 0; i < len; ++i) {
            if (byteAt && start + i < count) (*byteAt)[start + i] = static_cast<int>(out.size());
            const char16_t c = u[i];
            if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
                out += "\r\n";
            } else if (IsHigh(c) && i + 1 < len && IsLow(u[i + 1])) {
                // the pair's bytes are counted on its low half
            } else if (c < 0x80) {
                out += char(c);
            } else {
                const int code = t.code[c];
                if (code < 0) {
                    const bool pair = IsLow(c) && i > 0 && IsHigh(u[i - 1]);
                    AppendGbkCharacter(out, pair ? QChar::surrogateToUcs4(u[i - 1], c)
                                            : IsHigh(c) || IsLow(c) ? U'?'
                                                                    : char32_t{c});
                } else if (code > 0xFF) {
                    out += char(code >> 8);
                    out += char(code & 0xFF);
                } else {
                    out += char(code);
                }
            }
        }
        filled = start + len;
        if (block.next().isValid()) {
            if (byteAt && filled < count) (*byteAt)[filled] = static_cast<int>(out.size());
            ++filled;
            out += "\r\n";
        }
    }
    fillTo(count);
}

}  // namespace gbk
}  // namespace tallivo
