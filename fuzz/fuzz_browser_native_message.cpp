// The native host's message reader and request parser, fed whatever arrives on its stdin.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "browser/native_message.h"

using namespace tallivo::browser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A small limit so that "too large" is reached without huge inputs.
    NativeMessageReader reader(4096);
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const std::size_t before = input.size();
        const auto state = reader.Feed(input);
        if (state == NativeMessageReader::State::kTooLarge) break;
        if (input.size() >= before && state == NativeMessageReader::State::kNeedMore) std::abort();
        if (state == NativeMessageReader::State::kMessage) {
            if (reader.message().size() > 4096) std::abort();
            const CaptureRequest request = ParseCaptureRequest(reader.message());
            if (request.ok == !request.error.empty()) std::abort();
            const std::string reply = request.ok ? SuccessReply() : ErrorReply(request.error);
            if (reply.empty()) std::abort();
        }
    }
    return 0;
}
