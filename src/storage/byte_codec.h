#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tallivo {

// Number field: decimal text of a signed 32-bit value, a NUL, padding to 11 bytes. Values below
// -999999999 are written as that value, so the NUL stays inside the field.
constexpr std::size_t kNumberFieldSize = 11;
// "TemplateVer: 1.00" and its NUL.
constexpr std::size_t kVersionLineSize = 18;

void AppendNumberField(std::string& out, std::int32_t value);
// A number field holding the length, then the bytes with no terminator.
void AppendCountedString(std::string& out, std::string_view text);
void AppendVersionLine(std::string& out);

// Parses up to the first 11 bytes of a field: leading white space, optional sign, digits up to
// the first other byte; no digits give 0. Values beyond 32 bits saturate.
std::int32_t ParseNumberField(std::string_view field);

// A 64-bit value kept in 32 bits, held at the nearer end when it does not fit.
std::int32_t SaturateToInt32(std::int64_t value);
// True only for exactly the 18 bytes "TemplateVer: 1.00" and NUL at the front of `bytes`.
bool IsVersionLine(std::string_view bytes);

// Sequential reader over bytes that stay owned by the caller. A short read consumes what was
// left (like a stream at its end) and returns false; lengths are checked against what remains
// before anything is copied, so a damaged length cannot cause a large allocation.
class ByteReader {
public:
    explicit ByteReader(std::string_view data) : data_(data) {}

    bool ReadNumber(std::int32_t* value);
    bool ReadByte(unsigned char* value);
    // A view into the reader's data; valid while that data lives. A negative length is a
    // short read.
    bool ReadBytes(std::int64_t length, std::string_view* bytes);
    // Reads 18 bytes and tells whether they are the version line.
    bool ReadVersionLine();

    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return data_.size() - pos_; }
    bool AtEnd() const { return pos_ >= data_.size(); }

private:
    std::string_view data_;
    std::size_t pos_ = 0;
};

}  // namespace tallivo
