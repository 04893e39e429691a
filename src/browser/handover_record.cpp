#include "browser/handover_record.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tallivo::browser {

namespace {

void PutUint32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t GetUint32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

std::uint32_t RecordLimit(std::uint32_t tag) {
    switch (tag) {
        case kCommandLineTag:
            return kCommandLineLimit;
        case kPageTextTag:
            return kPageTextLimit;
        default:
            return 0;
    }
}

std::string JoinHandoverText(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        text += argument;
        text += ' ';
    }
    // Drops the separator after the last argument; a blank inside that argument stays.
    if (!text.empty()) text.pop_back();
    return text;
}

std::optional<std::string> EncodeHandoverRecord(std::uint32_t tag, std::string_view text) {
    const std::uint32_t limit = RecordLimit(tag);
    if (limit == 0 || text.size() >= limit) return std::nullopt;
    std::string record;
    record.reserve(kRecordHeaderSize + text.size() + 1);
    PutUint32(record, tag);
    PutUint32(record, static_cast<std::uint32_t>(text.size() + 1));
    record.append(text);
    record.push_back('\0');
    return record;
}

HandoverRecordReader::State HandoverRecordReader::Reject(const char* reason) {
    reason_ = reason;
    data_.clear();
    data_.shrink_to_fit();
    return state_ = State::kRejected;
}

HandoverRecordReader::State HandoverRecordReader::Feed(std::string_view bytes) {
    if (state_ != State::kNeedMore) return state_;
    if (header_filled_ < kRecordHeaderSize) {
        const std::size_t take = std::min(bytes.size(), kRecordHeaderSize - header_filled_);
        std::memcpy(header_ + header_filled_, bytes.data(), take);
        header_filled_ += take;
        bytes.remove_prefix(take);
        if (header_filled_ < kRecordHeaderSize) return state_;
        const std::uint32_t tag = GetUint32(header_);
        length_ = GetUint32(header_ + 4);
        const std::uint32_t limit = RecordLimit(tag);
        if (limit == 0) return Reject("unknown tag");
        if (length_ == 0) return Reject("no terminating zero byte");
        if (length_ > limit) return Reject("record over its size limit");
        record_.tag = tag;
    }
    // The buffer grows with what arrives, never with what the length field claims.
    const std::size_t take = std::min<std::size_t>(bytes.size(), length_ - data_.size());
    data_.append(bytes.data(), take);
    if (data_.size() < length_) return state_;
    if (data_.back() != '\0') return Reject("no terminating zero byte");
    // The receiver reads the data as a zero-terminated text, whatever the length said.
    data_.resize(data_.find('\0'));
    record_.text = std::move(data_);
    data_ = std::string();
    return state_ = State::kComplete;
}

}  // namespace tallivo::browser
