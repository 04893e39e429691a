#include "storage/byte_codec.h"

#include <cstring>
#include <limits>

namespace tallivo {

namespace {

constexpr char kVersionText[] = "TemplateVer: 1.00";

bool IsCSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

void AppendNumberField(std::string& out, std::int32_t value) {
    char field[kNumberFieldSize] = {};
    // Ten digits and a sign would push the NUL out of the field; no stored value comes near
    // that, so the lowest values are kept at the lowest that fits.
    constexpr std::int32_t kLowest = -999'999'999;
    if (value < kLowest) value = kLowest;
    std::int64_t v = value;
    char digits[12];
    int n = 0;
    std::uint32_t magnitude = static_cast<std::uint32_t>(v < 0 ? -v : v);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    int pos = 0;
    if (v < 0) field[pos++] = '-';
    while (n > 0) field[pos++] = digits[--n];
    out.append(field, kNumberFieldSize);
}

void AppendCountedString(std::string& out, std::string_view text) {
    AppendNumberField(out, static_cast<std::int32_t>(text.size()));
    out.append(text.data(), text.size());
}

void AppendVersionLine(std::string& out) {
    out.append(kVersionText, kVersionLineSize);
}

std::int32_t ParseNumberField(std::string_view field) {
    if (field.size() > kNumberFieldSize) field = field.substr(0, kNumberFieldSize);
    std::size_t i = 0;
    while (i < field.size() && IsCSpace(static_cast<unsigned char>(field[i]))) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) break;
    }
    if (negative) value = -value;
    return SaturateToInt32(value);
}

std::int32_t SaturateToInt32(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

bool IsVersionLine(std::string_view bytes) {
    return bytes.size() >= kVersionLineSize &&
           std::memcmp(bytes.data(), kVersionText, kVersionLineSize) == 0;
}

bool ByteReader::ReadNumber(std::int32_t* value) {
    if (Remaining() < kNumberFieldSize) {
        pos_ = data_.size();
        return false;
    }
    *value = ParseNumberField(data_.substr(pos_, kNumberFieldSize));
    pos_ += kNumberFieldSize;
    return true;
}

bool ByteReader::ReadByte(unsigned char* value) {
    if (AtEnd()) return false;
    *value = static_cast<unsigned char>(data_[pos_++]);
    return true;
}

bool ByteReader::ReadBytes(std::int64_t length, std::string_view* bytes) {
    if (length < 0 || static_cast<std::uint64_t>(length) > Remaining()) {
        pos_ = data_.size();
        return false;
    }
    *bytes = data_.substr(pos_, static_cast<std::size_t>(length));
    pos_ += static_cast<std::size_t>(length);
    return true;
}

bool ByteReader::ReadVersionLine() {
    if (Remaining() < kVersionLineSize) {
        pos_ = data_.size();
        return false;
    }
    bool ok = IsVersionLine(data_.substr(pos_));
    pos_ += kVersionLineSize;
    return ok;
}

}  // namespace tallivo
