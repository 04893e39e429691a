#include "storage/config_file.h"

#include <limits>
#include <new>

#include "storage/byte_codec.h"
#include "storage/file_io.h"
#include "storage/file_kinds.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

constexpr std::string_view kVersion = "ConfigFileVer: 1.00";
// A line is read with room for 31 characters; the rest of a longer line is dropped.
constexpr std::size_t kLineRoom = 31;
// The version line and the five values.
constexpr int kLineCount = 6;

const std::string& CannotOpenMessage() {
    static const std::string text = Gbk(u8"无法打开配置文件，需创建！");
    return text;
}

const std::string& CannotReadMessage() {
    static const std::string text = Gbk(u8"无法正常读取配置文件，需创建！");
    return text;
}

const std::string& CannotWriteMessage() {
    static const std::string text = Gbk(u8"无法打开配置文件，请检查磁盘空间和读写权限！");
    return text;
}

bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Blanks, sign, digits to the first other character; no digits give 0. Saturates at 64 bits.
std::int64_t ParseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::uint64_t value = 0;
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value >= kLimit) {
            value = kLimit;
            break;
        }
    }
    if (negative)
        return value >= kLimit ? std::numeric_limits<std::int64_t>::min()
                               : -static_cast<std::int64_t>(value);
    return value >= kLimit ? std::numeric_limits<std::int64_t>::max()
                           : static_cast<std::int64_t>(value);
}

// The sequence numbers are read as 64-bit values and kept in 32 bits.
std::int32_t ParseSequenceNumber(std::string_view text) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ParseDecimal(text)));
}

std::int32_t ParseIndex(std::string_view text) {
    return SaturateToInt32(ParseDecimal(text));
}

}  // namespace

ConfigLoad ParseConfig(std::string_view bytes) {
    std::string_view lines[kLineCount];
    std::size_t pos = 0;
    int count = 0;
    while (count < kLineCount && pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        std::string_view line = bytes.substr(pos, next - pos);
        lines[count++] = line.substr(0, kLineRoom);
        pos = next;
    }
    ConfigLoad result;
    if (count < kLineCount || lines[0].substr(0, kVersion.size()) != kVersion) {
        result.ok = false;
        result.message = CannotReadMessage();
        return result;
    }
    result.ok = true;
    result.config.freightBillSn = ParseSequenceNumber(lines[1]);
    result.config.invoiceSn = ParseSequenceNumber(lines[2]);
    result.config.sourceSite = ParseIndex(lines[3]);
    result.config.defaultFreightBill = ParseIndex(lines[4]);
    result.config.defaultInvoice = ParseIndex(lines[5]);
    return result;
}

std::string FormatConfig(const Config& config) {
    std::string out(kVersion);
    for (std::int32_t value : {config.freightBillSn, config.invoiceSn, config.sourceSite,
                               config.defaultFreightBill, config.defaultInvoice}) {
        out += "\r\n";
        out += std::to_string(value);
    }
    return out;
}

ConfigLoad LoadConfigFile(const std::string& path) {
    // Six short lines: a damaged file of any size is judged by its start, never loaded whole.
    constexpr std::size_t kReadLimit = 1 << 20;
    std::optional<std::string> bytes = ReadWholeFile(path, kReadLimit);
    if (!bytes) {
        ConfigLoad result;
        result.ok = false;
        result.message = CannotOpenMessage();
        return result;
    }
    return ParseConfig(*bytes);
}

ConfigLoad LoadConfig(const std::string& program_folder) {
    return LoadConfigFile(JoinPath(program_folder, std::string(kConfigFileName)));
}

StorageResult SaveConfig(const std::string& program_folder, const Config& config) {
    const WriteResult written = WriteFileReplacing(
        JoinPath(program_folder, std::string(kConfigFileName)), FormatConfig(config));
    StorageResult result;
    result.ok = written.ok;
    result.failure = written.failure;
    if (!result.ok) result.message = CannotWriteMessage();
    return result;
}

StorageResult AdvanceSequenceNumber(const std::string& program_folder, FormKind form,
                                    std::int32_t next) {
    ConfigLoad loaded = LoadConfig(program_folder);
    Config config = loaded.ok ? loaded.config : Config{};
    std::int32_t& sn = form == FormKind::kFreightBill ? config.freightBillSn : config.invoiceSn;
    if (loaded.ok && sn >= next) return StorageResult{true, {}, WriteFailure::kNone};
    sn = next;
    return SaveConfig(program_folder, config);
}

}  // namespace tallivo
