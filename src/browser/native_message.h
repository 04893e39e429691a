#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tallivo::browser {

// The browser's native-messaging frames: a 32-bit length in the machine's byte order (every
// platform the browsers run the host on is little-endian, so it is read as such), then that
// many bytes of UTF-8 JSON.

// The largest message a browser sends its host.
inline constexpr std::uint32_t kNativeMessageLimit = 64u << 20;

// Reads one frame at a time, however the bytes arrive.
class NativeMessageReader {
public:
    enum class State { kNeedMore, kMessage, kTooLarge };

    explicit NativeMessageReader(std::uint32_t limit = kNativeMessageLimit) : limit_(limit) {}

    // Takes bytes from the front of `input` up to the end of one frame and removes them from
    // it. On Message, message() holds the frame's body until the next Feed. TooLarge is final:
    // the rest of the stream cannot be framed without reading the oversized body.
    State Feed(std::string_view& input);
    const std::string& message() const { return message_; }
    // True while part of a frame has been read.
    bool InsideFrame() const { return header_filled_ > 0 || (!delivered_ && !message_.empty()); }

private:
    std::uint32_t limit_;
    unsigned char header_[4] = {};
    std::size_t header_filled_ = 0;
    std::uint32_t length_ = 0;
    std::string message_;
    bool too_large_ = false;
    bool delivered_ = false;
};

// A frame around a JSON reply.
std::string EncodeNativeMessage(std::string_view json);

struct CaptureRequest {
    bool ok = false;
    std::string text;   // UTF-8, as the page gave it
    std::string url;    // the page's address; empty when not given
    std::string error;  // Chinese, for the reply, when not ok
};

// The extension's request: {"text": "...", "url": "..."}; the address may be missing, other
// members are ignored.
CaptureRequest ParseCaptureRequest(std::string_view json);

// The host's replies.
std::string SuccessReply();
std::string ErrorReply(std::string_view message_utf8);

}  // namespace tallivo::browser
