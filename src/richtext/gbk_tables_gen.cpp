// Run at build time: writes the GBK decoding tables as C++ arrays, decoded by the program's own
// codec, so that byte counts in rich text agree with what the rest of the program converts and
// no start of the program spends time decoding every GBK code.
//   tallivo_gbk_tables_gen OUT_FILE
#include <QString>
#include <cstdio>
#include <string>
#include <vector>

#include "text/gbk_codec.h"

namespace {

constexpr int kLeadFirst = 0x81;
constexpr int kTrailFirst = 0x40;
constexpr int kTrailCount = 0xFF - kTrailFirst;  // 0x40..0xFE

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT_FILE\n", argv[0]);
        return 2;
    }
    // One decoding of every GBK code; 0x01 separates the codes (no GBK character contains that
    // byte). Decoding is used because the codec is fast that way round.
    std::string gbkCodes;
    for (int lead = kLeadFirst; lead <= 0xFE; ++lead) {
        for (int trail = kTrailFirst; trail <= 0xFE; ++trail) {
            gbkCodes += char(lead);
            gbkCodes += char(trail);
            gbkCodes += '\x01';
        }
    }
    for (int b = 0x80; b <= 0xFF; ++b) {
        gbkCodes += char(b);
        gbkCodes += '\x01';
    }
    const QString decoded = QString::fromUtf8(tallivo::GbkToUtf8(gbkCodes));
    const QStringView all(decoded);
    qsizetype from = 0;
    auto next = [&](QStringView& piece) {
        if (from > all.size()) return false;
        qsizetype end = all.indexOf(QChar(1), from);
        if (end < 0) end = all.size();
        piece = all.mid(from, end - from);
        from = end + 1;
        return true;
    };
    // What a code decodes to when it is one character of the tables: not ASCII, not "?", not
    // half of a surrogate pair, not one only GB18030 holds (those are written as \uN in RTF).
    auto character = [](QStringView piece) -> char16_t {
        if (piece.size() != 1 || piece[0] == QLatin1Char('?')) return 0;
        const char16_t u = piece[0].unicode();
        if (u < 0x80 || (u >= 0xD800 && u <= 0xDFFF) || !tallivo::GbkHolds(u)) return 0;
        return u;
    };
    std::vector<char16_t> pair(126 * kTrailCount, 0);
    std::vector<char16_t> single(0x100, 0);
    std::vector<int> firstCode(0x10000, -1);
    std::vector<char16_t> ambiguous;
    auto learn = [&](char16_t u, int code) {
        if (u == 0) return;
        if (firstCode[u] < 0) {
            firstCode[u] = code;
        } else {
            ambiguous.push_back(u);
        }
    };
    QStringView piece;
    for (int lead = kLeadFirst; lead <= 0xFE; ++lead) {
        for (int trail = kTrailFirst; trail <= 0xFE && next(piece); ++trail) {
            const char16_t u = character(piece);
            pair[(lead - kLeadFirst) * kTrailCount + (trail - kTrailFirst)] = u;
            learn(u, lead << 8 | trail);
        }
    }
    for (int b = 0x80; b <= 0xFF && next(piece); ++b) {
        single[b] = character(piece);
        learn(single[b], b);
    }

    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "// Written by tallivo_gbk_tables_gen from the codec; not to be edited.\n");
    std::fprintf(out, "constexpr char16_t kGbkPair[%zu] = {", pair.size());
    for (std::size_t i = 0; i < pair.size(); ++i)
        std::fprintf(out, "%s0x%X,", i % 16 ? "" : "\n", unsigned(pair[i]));
    std::fprintf(out, "\n};\nconstexpr char16_t kGbkSingle[%zu] = {", single.size());
    for (std::size_t i = 0; i < single.size(); ++i)
        std::fprintf(out, "%s0x%X,", i % 16 ? "" : "\n", unsigned(single[i]));
    // The few characters that two codes decode to take the code the encoder gives them.
    std::fprintf(out, "\n};\nconstexpr GbkPreferredCode kGbkPreferred[] = {\n");
    for (const char16_t u : ambiguous) {
        const std::string bytes = tallivo::Utf8ToGbk(QString(QChar(u)).toStdString());
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        int code = firstCode[u];
        if (bytes.size() == 2) code = p[0] << 8 | p[1];
        if (bytes.size() == 1 && p[0] >= 0x80) code = p[0];
        std::fprintf(out, "{0x%X, 0x%X},\n", unsigned(u), unsigned(code));
    }
    // Never empty, so that the array has a size.
    std::fprintf(out, "{0, 0},\n};\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
