#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallivo::browser {

// The record a second start sends to the running copy:
//   tag     unsigned 32-bit, little-endian
//   length  unsigned 32-bit, little-endian: the data's byte count, text bytes + 1
//   data    the GBK text followed by one zero byte
// Little-endian because that is how the record lay in memory on the platform it comes from.

// The command line of a second start; "From Web Page" asks for the clipboard to be pasted.
inline constexpr std::uint32_t kCommandLineTag = 0x12345A78;
// Page text follows in the record itself, so the user's clipboard is left alone.
inline constexpr std::uint32_t kPageTextTag = 0x12345A79;

// The page's address, a line end, then the page text, from the browser host.
inline constexpr std::uint32_t kAddressedPageTag = 0x12345A7A;
// A command line GBK cannot hold (a file name with an emoji, bytes that are no UTF-8): the
// on-disk bytes as they came, to be opened as a file and never pasted over.
inline constexpr std::uint32_t kFileArgumentTag = 0x12345A7B;

// A command line is short; anything longer is damage or abuse.
inline constexpr std::uint32_t kCommandLineLimit = 1u << 20;
// A page must arrive whole: the largest message a browser hands its native host is 64 MiB.
inline constexpr std::uint32_t kPageTextLimit = 64u << 20;

inline constexpr std::size_t kRecordHeaderSize = 8;
inline constexpr char kFromWebPage[] = "From Web Page";

// The data limit of a tag; 0 for a tag no record may carry.
std::uint32_t RecordLimit(std::uint32_t tag);

// Arguments 1..n (without the program path) joined by single blanks; empty without arguments.
std::string JoinHandoverText(const std::vector<std::string>& arguments);

// The record for a command line given as on-disk bytes (UTF-8 on this system): the command
// line in GBK when GBK holds all of it, else the bytes unchanged under kFileArgumentTag.
struct CommandLineRecord {
    std::uint32_t tag = kCommandLineTag;
    std::string text;
};
CommandLineRecord MakeCommandLineRecord(const std::string& on_disk);

// The site a page address belongs to, for the site box.
enum class PageSite { kUnknown, kTaobao, kPaipai };
PageSite PageSiteOfAddress(std::string_view address);

// The data of a kAddressedPageTag record, and its parts.
std::string JoinAddressedPage(std::string_view address, std::string_view gbk_page);
void SplitAddressedPage(std::string_view data, std::string* address, std::string* gbk_page);

// The whole record, or nothing when the tag is unknown or the text is over the tag's limit.
std::optional<std::string> EncodeHandoverRecord(std::uint32_t tag, std::string_view text);

struct HandoverRecord {
    std::uint32_t tag = 0;
    // The text up to the first zero byte, as the receiver reads it.
    std::string text;
};

// Reads exactly one record, however its bytes arrive. Nothing past the record is read: a
// connection carries one record and no more.
class HandoverRecordReader {
public:
    enum class State { kNeedMore, kComplete, kRejected };

    // Takes the next bytes; returns the state reached. After Complete or Rejected further bytes
    // are ignored.
    State Feed(std::string_view bytes);
    State state() const { return state_; }
    // Valid once Complete.
    const HandoverRecord& record() const { return record_; }
    // Why the record was rejected, for logs and tests.
    const char* reason() const { return reason_; }

private:
    State Reject(const char* reason);

    State state_ = State::kNeedMore;
    unsigned char header_[kRecordHeaderSize] = {};
    std::size_t header_filled_ = 0;
    std::uint32_t length_ = 0;
    std::string data_;
    HandoverRecord record_;
    const char* reason_ = "";
};

}  // namespace tallivo::browser
