#include "browser/handover_record.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

#include "text/gbk_codec.h"

namespace tallivo::browser {

namespace {

void PutUint32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t GetUint32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// A record of this tag has always been code page 936 alone; what only GB18030 holds travels as
// the on-disk bytes.
bool OnlyGbk(std::string_view gbk) {
    std::size_t n = 1;
    for (std::size_t i = 0; i < gbk.size(); i += n) {
        if (!GbkHolds(GbkCharacterAt(gbk, i, &n))) return false;
    }
    return true;
}

}  // namespace

std::uint32_t RecordLimit(std::uint32_t tag) {
    switch (tag) {
        case kCommandLineTag:
            return kCommandLineLimit;
        case kFileArgumentTag:
            return kCommandLineLimit;
        case kPageTextTag:
        case kAddressedPageTag:
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

CommandLineRecord MakeCommandLineRecord(const std::string& on_disk) {
    if (IsValidUtf8(on_disk)) {
        std::string gbk = Utf8ToGbk(on_disk);
        if (GbkToUtf8(gbk) == on_disk && OnlyGbk(gbk)) return {kCommandLineTag, std::move(gbk)};
    }
    return {kFileArgumentTag, on_disk};
}

PageSite PageSiteOfAddress(std::string_view address) {
    // scheme://[user@]host[:port]/...
    const std::size_t scheme = address.find("://");
    if (scheme == std::string_view::npos) return PageSite::kUnknown;
    std::string_view rest = address.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos)
        rest = rest.substr(at + 1);
    rest = rest.substr(0, rest.find(':'));
    std::string host(rest);
    for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto under = [&host](std::string_view domain) {
        return host == domain ||
               (host.size() > domain.size() &&
                host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
                host[host.size() - domain.size() - 1] == '.');
    };
    if (under("taobao.com") || under("tmall.com")) return PageSite::kTaobao;
    if (under("paipai.com")) return PageSite::kPaipai;
    return PageSite::kUnknown;
}

std::string JoinAddressedPage(std::string_view address, std::string_view gbk_page) {
    std::string data(address.substr(0, address.find_first_of("\r\n")));
    data += '\n';
    data.append(gbk_page);
    return data;
}

void SplitAddressedPage(std::string_view data, std::string* address, std::string* gbk_page) {
    const std::size_t end = data.find('\n');
    *address = std::string(data.substr(0, end));
    *gbk_page = end == std::string_view::npos ? std::string() : std::string(data.substr(end + 1));
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
