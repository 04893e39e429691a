#include "orders/export_table.h"

#include <iconv.h>

#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>

#include "orders/export_rows.h"
#include "text/gbk_codec.h"

namespace tallivo {

std::string FileMessage(const std::string& file, const std::string& utf8Text) {
    return Utf8ToGbk("文件“" + file + "”：" + utf8Text);
}

std::string RowMessage(const std::string& file, int row, const std::string& utf8Text) {
    return Utf8ToGbk("文件“" + file + "”第 " + std::to_string(row) + " 行：" + utf8Text);
}

void MessageLimiter::Add(const char* kind, std::string message) {
    for (auto& [k, count] : counts_) {
        if (std::strcmp(k, kind) != 0) continue;
        if (++count <= kShown) out_->push_back(std::move(message));
        return;
    }
    counts_.emplace_back(kind, 1);
    out_->push_back(std::move(message));
}

void MessageLimiter::Finish(const std::string& file) {
    for (const auto& [kind, count] : counts_) {
        if (count <= kShown) continue;
        out_->push_back(FileMessage(
            file, "另有 " + std::to_string(count - kShown) + " 行" + kind + "，不再一一列出。"));
    }
    counts_.clear();
}

std::string Excerpt(std::string_view utf8) {
    constexpr int kCharacters = 60;
    std::size_t end = 0;
    for (int n = 0; end < utf8.size() && n < kCharacters; ++n) {
        ++end;
        while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) ++end;
    }
    if (end >= utf8.size()) return std::string(utf8);
    return std::string(utf8.substr(0, end)) + "…";
}

std::string HeaderText(const std::vector<std::string>& header) {
    constexpr std::size_t kBytes = 600;
    std::string text;
    for (const std::string& name : header) {
        if (text.size() > kBytes) return text + ",…";
        text += (text.empty() ? "" : ",") + Excerpt(name);
    }
    return text;
}

namespace {

constexpr std::size_t kMaxColumns = 16384;

// Where UTF-8 stops being valid; the size when it never does.
std::size_t Utf8ValidPrefix(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80         ? 1
                        : (c >> 5) == 6  ? 2
                        : (c >> 4) == 14 ? 3
                        : (c >> 3) == 30 ? 4
                                         : 0;
        if (n == 0 || (n == 2 && c < 0xC2) || i + n > s.size()) return i;
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return i;
        }
        i += n;
    }
    return i;
}

// The bytes that end an unquoted field, looked up rather than compared one by one.
constexpr std::array<bool, 256> kEndsUnquoted = [] {
    std::array<bool, 256> ends{};
    ends[','] = ends['\n'] = ends['\r'] = true;
    return ends;
}();

bool IsBlankAt(std::string_view s, std::size_t i, std::size_t* width) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        *width = 1;
        return true;
    }
    if (c != 0xE3 && c != 0xC2 && c != 0xEF) return false;
    // U+3000 ideographic space, U+00A0 no-break space, U+FEFF a stray byte-order mark.
    for (std::string_view blank : {"\xE3\x80\x80", "\xC2\xA0", "\xEF\xBB\xBF"}) {
        if (s.substr(i, blank.size()) == blank) {
            *width = blank.size();
            return true;
        }
    }
    return false;
}

bool LooksNumeric(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == ' ')) return false;
    }
    return true;
}

// Line number (1-based) of the byte at `offset`.
int LineAt(std::string_view text, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') ++line;
    }
    return line;
}

// Strict GBK (as code page 936 with its extensions) to UTF-8; the offset of the first byte that
// is not GBK when it fails.
bool StrictGbkToUtf8(std::string_view in, std::string* out, std::size_t* badOffset) {
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        *badOffset = 0;
        return false;
    }
    out->assign(in.size() * 3 / 2 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t done = 0;
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = out->data() + done;
        std::size_t dstLeft = out->size() - done;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        done = out->size() - dstLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out->resize(out->size() * 2);
            continue;
        }
        ok = false;
        *badOffset = in.size() - srcLeft;
        break;
    }
    iconv_close(cd);
    out->resize(done);
    return ok;
}

// The UTF-8 of every two-byte GBK code, as strict decoding gives it, asked a lead byte at a time
// on first use.
class GbkDecoding {
public:
    // False for anything but ASCII and two-byte codes, which the strict decoding then judges.
    bool Decode(std::string_view in, std::string* out) {
        // Three bytes for two are the most but for rare characters, which make room when met.
        out->resize(in.size() / 2 * 3 + 8);
        // Locals only: a store through a char pointer could otherwise change any of them.
        char* o = out->data();
        char* limit = o + out->size() - 8;
        const auto* p = reinterpret_cast<const unsigned char*>(in.data());
        const auto* const end = p + in.size();
        while (p < end) {
            if (o > limit) {
                const std::size_t done = static_cast<std::size_t>(o - out->data());
                out->resize(out->size() + in.size() / 2 + 8);
                o = out->data() + done;
                limit = out->data() + out->size() - 8;
            }
            std::uint64_t eight = 0;
            if (end - p >= 8 && (std::memcpy(&eight, p, 8), (eight & kHighBits) == 0)) {
                std::memcpy(o, &eight, 8);
                o += 8;
                p += 8;
                continue;
            }
            if (*p < 0x80) {
                *o++ = static_cast<char>(*p++);
                continue;
            }
            if (end - p < 2 || *p == 0x80 || *p == 0xFF) return false;
            const Row* row = rows_[*p - 0x81].get();
            if (!row) row = (rows_[*p - 0x81] = Fill(*p)).get();
            const Code code = (*row)[p[1]];
            if (code.size == 0) return false;
            std::memcpy(o, code.utf8, sizeof code.utf8);
            o += code.size;
            p += 2;
        }
        out->resize(static_cast<std::size_t>(o - out->data()));
        return true;
    }

private:
    static constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    struct Code {
        char utf8[4];
        int size;  // 0 when it is none
    };
    using Row = std::array<Code, 256>;

    static std::unique_ptr<Row> Fill(unsigned char lead) {
        auto row = std::make_unique<Row>();
        std::string gbk;
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            gbk += static_cast<char>(lead);
            gbk += static_cast<char>(trail);
        }
        // The whole row in one call, split where each character's sequence ends; a code by
        // itself only where the row has one that is none.
        std::string utf8;
        std::size_t bad = 0;
        const bool whole = StrictGbkToUtf8(gbk, &utf8, &bad);
        std::size_t at = 0;
        for (std::size_t i = 0; i < gbk.size(); i += 2) {
            std::string one;
            std::string_view code;
            if (whole) {
                std::size_t n = 1;
                while (at + n < utf8.size() &&
                       (static_cast<unsigned char>(utf8[at + n]) & 0xC0) == 0x80)
                    ++n;
                code = std::string_view(utf8).substr(at, n);
                at += n;
            } else if (StrictGbkToUtf8(std::string_view(gbk).substr(i, 2), &one, &bad)) {
                code = one;
            }
            if (whole && code.empty()) return std::make_unique<Row>();
            if (code.empty() || code.size() > 4) continue;
            Code& entry = (*row)[static_cast<unsigned char>(gbk[i + 1])];
            std::copy(code.begin(), code.end(), entry.utf8);
            entry.size = static_cast<int>(code.size());
        }
        // Not one character per code after all: nothing is taken from this row.
        if (whole && at != utf8.size()) *row = Row();
        return row;
    }

    std::array<std::unique_ptr<Row>, 126> rows_;
};

std::string Utf16ToUtf8(std::string_view bytes, QStringDecoder::Encoding encoding, bool* ok) {
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(bytes.data(), bytes.size()));
    *ok = !decoder.hasError() && bytes.size() % 2 == 0;
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

}  // namespace

std::string UnwrapCell(std::string_view cell) {
    return std::string(UnwrappedCell(cell));
}

std::string_view UnwrappedCell(std::string_view cell) {
    std::size_t begin = 0;
    std::size_t end = cell.size();
    std::size_t width = 0;
    while (begin < end && IsBlankAt(cell, begin, &width)) begin += width;
    while (end > begin) {
        const auto c = static_cast<unsigned char>(cell[end - 1]);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            --end;
            continue;
        }
        if (c != 0x80 && c != 0xA0 && c != 0xBF) break;
        std::size_t drop = 0;
        for (std::string_view blank : {"\xE3\x80\x80", "\xC2\xA0", "\xEF\xBB\xBF"}) {
            if (end - begin >= blank.size() &&
                cell.substr(end - blank.size(), blank.size()) == blank) {
                drop = blank.size();
            }
        }
        if (drop == 0) break;
        end -= drop;
    }
    std::string_view s = cell.substr(begin, end - begin);
    if (s.size() >= 3 && s.substr(0, 2) == "=\"" && s.back() == '"') {
        return UnwrappedCell(s.substr(2, s.size() - 3));
    }
    // Only numbers lose a leading apostrophe: in a name it is the name's own.
    if (s.size() >= 2 && s.front() == '\'' && LooksNumeric(s.substr(1))) return s.substr(1);
    return s;
}

ExportRead ReadCsvBytes(std::string_view bytes, const std::string& file,
                        const ExportLimits& limits) {
    ExportRead result;
    std::string text;
    auto fail = [&](const std::string& message) {
        result.ok = false;
        result.messages.push_back(message);
        return result;
    };
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
        if (!IsValidUtf8(bytes)) {
            return fail(FileMessage(file, "以 UTF-8 标记开头，内容却不是 UTF-8 编码，无法读入。"));
        }
        text.assign(bytes);
    } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        const bool little = bytes[0] == '\xFF';
        bytes.remove_prefix(2);
        bool ok = false;
        text = Utf16ToUtf8(bytes, little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE, &ok);
        if (!ok)
            return fail(
                FileMessage(file, "以 UTF-16 标记开头，内容却不是 UTF-16 编码，无法读入。"));
    } else if (bytes.find('\0') != std::string_view::npos) {
        return fail(FileMessage(
            file, "编码无法识别（可能是没有字节顺序标记的 UTF-16，或不是文本文件），无法读入。"));
    } else if (IsValidUtf8(bytes)) {
        text.assign(bytes);
    } else {
        thread_local GbkDecoding decoding;
        std::size_t bad = 0;
        if (!decoding.Decode(bytes, &text) && !StrictGbkToUtf8(bytes, &text, &bad)) {
            // A file that is UTF-8 up to a row is a UTF-8 file with a bad row, not a GBK file
            // that fails where the UTF-8 happens not to pair up as GBK.
            const std::size_t valid = Utf8ValidPrefix(bytes);
            const bool utf8Before =
                std::any_of(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(valid),
                            [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
            if (utf8Before) bad = valid;
            return fail(RowMessage(file, LineAt(bytes, bad),
                                   "编码无法识别（既不是 UTF-8，也不是 GBK），无法读入。"));
        }
    }

    // RFC 4180 records; a line break inside quotes belongs to the field.
    RawRows raw;
    std::vector<std::string> record;
    std::string field;
    int row = 1;
    int recordRow = 1;
    int quoteRow = 0;
    std::size_t quoteLineEnd = 0;  // where the line that opened the quote ends
    bool inQuotes = false;
    bool fieldStarted = false;
    bool quoteRanToEnd = false;
    const std::size_t n = text.size();
    bool anyText = false;
    bool tooWide = false;
    std::int64_t built = 0;
    MessageLimiter limited(&result.messages);
    auto endField = [&]() {
        anyText = anyText || !field.empty();
        // A line of separators alone must not take the memory of a real table.
        if (record.size() < kMaxColumns) {
            built += CellCost(field.size());
            record.push_back(std::move(field));
        } else {
            tooWide = tooWide || !field.empty();
        }
        field.clear();
        fieldStarted = false;
    };
    auto endRecord = [&]() {
        endField();
        if (tooWide) {
            limited.Add("超出列数", RowMessage(file, recordRow,
                                               "超过 " + std::to_string(kMaxColumns) +
                                                   " 列，其后的格子没有读入。"));
        }
        if (anyText) {
            built += kRowCost;
            raw.push_back({recordRow, std::move(record)});
        }
        record.clear();
        anyText = tooWide = false;
    };
    // The record with a quote that does not end as a field may end is given up, and reading
    // goes on from the line after the one that opened it, so that the rows it swallowed are
    // read as rows.
    auto dropQuotedRecord = [&](std::size_t* i, const std::string& why) {
        limited.Add("引号不完整", RowMessage(file, quoteRow, why));
        record.clear();
        field.clear();
        anyText = tooWide = fieldStarted = inQuotes = false;
        *i = quoteLineEnd;  // the loop steps past the line break
        row = recordRow = quoteRow + 1;
    };
    std::string_view tooMuch;
    std::size_t i = 0;
    for (;;) {
        for (; i < n; ++i) {
            if (built > limits.maxBuiltBytes) {
                tooMuch = "读入后超过了内存的上限，没有读入。";
                break;
            }
            if (static_cast<std::int64_t>(raw.size()) > limits.maxRows) {
                tooMuch = "行数超过了上限，没有读入。";
                break;
            }
            const char c = text[i];
            if (inQuotes) {
                if (c == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        field.push_back('"');
                        ++i;
                        continue;
                    }
                    inQuotes = false;
                    // Only a separator or a line end may follow a quote that closes a field; one
                    // closed on a later line by something else was a stray quote.
                    const bool crossed = row != quoteRow;
                    if (crossed && i + 1 < n && text[i + 1] != ',' && text[i + 1] != '\r' &&
                        text[i + 1] != '\n') {
                        dropQuotedRecord(&i, "引号从这一行开始，到第 " + std::to_string(row) +
                                                 " 行才结束，不是完整的格子，这一行没有读入。");
                    }
                } else {
                    std::size_t end = i;
                    for (; end < n && text[end] != '"'; ++end) {
                        if (text[end] == '\n') ++row;
                    }
                    field.append(text, i, end - i);
                    i = end - 1;
                }
                continue;
            }
            if (c == '"' && !fieldStarted) {
                inQuotes = true;
                fieldStarted = true;
                quoteRow = row;
                quoteLineEnd = text.find('\n', i);
                if (quoteLineEnd == std::string::npos) quoteLineEnd = n;
            } else if (c == ',') {
                endField();
            } else if (c == '\n' || c == '\r') {
                if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
                endRecord();
                recordRow = ++row;
            } else {
                // The rest of an unquoted field in one piece; a quote inside it is kept as text.
                std::size_t end = i + 1;
                while (end < n && !kEndsUnquoted[static_cast<unsigned char>(text[end])]) ++end;
                field.append(text, i, end - i);
                fieldStarted = true;
                i = end - 1;
            }
        }
        // A quote still open at the end swallowed the rest: it is read again as rows, once, so
        // that reading stays linear.
        if (inQuotes && row != quoteRow && !quoteRanToEnd && tooMuch.empty()) {
            quoteRanToEnd = true;
            dropQuotedRecord(&i, "引号从这一行开始，到文件末尾都没有结束，这一行没有读入。");
            ++i;
            continue;
        }
        break;
    }
    if (inQuotes && row != quoteRow) {
        limited.Add("引号不完整",
                    RowMessage(file, quoteRow,
                               "引号从这一行开始，到文件末尾都没有结束，其后的内容没有读入。"));
        record.clear();
        field.clear();
        fieldStarted = false;
    } else if (inQuotes) {
        result.messages.push_back(
            RowMessage(file, quoteRow, "引号没有结束，其后的内容都算作这一格。"));
    }
    if (fieldStarted || !field.empty() || !record.empty()) endRecord();
    limited.Finish(file);
    if (!tooMuch.empty()) {
        result.messages.push_back(FileMessage(file, std::string(tooMuch)));
        result.ok = false;
        return result;
    }
    BuildTable(file, std::move(raw), /*ragged=*/true, &result);
    return result;
}

ExportRead ReadExportFile(const std::string& path, const ExportLimits& limits) {
    ExportRead result;
    const QFileInfo info(QString::fromStdString(path));
    if (!info.exists() || !info.isFile()) {
        result.messages.push_back(FileMessage(path, "不存在或不是文件。"));
        return result;
    }
    if (info.size() > limits.maxFileBytes) {
        result.messages.push_back(FileMessage(
            path, "有 " + std::to_string(info.size() >> 20) + " MB，超过了 " +
                      std::to_string(limits.maxFileBytes >> 20) + " MB 的上限，没有读入。"));
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    std::string head(4, '\0');
    if (!in.read(head.data(), 4)) head.resize(static_cast<std::size_t>(in.gcount()));
    if (head == "PK\x03\x04") return ReadXlsxFile(path, limits);
    in.clear();
    in.seekg(0);
    std::string bytes(static_cast<std::size_t>(info.size()), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        result.messages.push_back(FileMessage(path, "无法读取。"));
        return result;
    }
    return ReadCsvBytes(bytes, path, limits);
}

}  // namespace tallivo
