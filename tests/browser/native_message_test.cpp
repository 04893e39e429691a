#include "browser/native_message.h"

#include <gtest/gtest.h>

#include <string>

namespace tallivo::browser {
namespace {

using State = NativeMessageReader::State;

TEST(NativeMessageReader, ReadsFramesHoweverTheyArrive) {
    const std::string stream = EncodeNativeMessage(R"({"text":"a"})") + EncodeNativeMessage("{}");
    NativeMessageReader reader;
    std::vector<std::string> messages;
    for (char byte : stream) {
        std::string_view input(&byte, 1);
        if (reader.Feed(input) == State::kMessage) messages.push_back(reader.message());
        EXPECT_TRUE(input.empty());
    }
    EXPECT_EQ(messages, (std::vector<std::string>{R"({"text":"a"})", "{}"}));
    EXPECT_FALSE(reader.InsideFrame());

    // Two frames in one read come out one at a time.
    NativeMessageReader batch;
    std::string_view input(stream);
    EXPECT_EQ(batch.Feed(input), State::kMessage);
    EXPECT_EQ(batch.message(), R"({"text":"a"})");
    EXPECT_EQ(batch.Feed(input), State::kMessage);
    EXPECT_EQ(batch.message(), "{}");
    EXPECT_TRUE(input.empty());
}

TEST(NativeMessageReader, OversizedAndCutShortFrames) {
    NativeMessageReader reader(16);
    std::string_view over("\x11\x00\x00\x00", 4);
    EXPECT_EQ(reader.Feed(over), State::kTooLarge);
    std::string_view more("{}");
    EXPECT_EQ(reader.Feed(more), State::kTooLarge);

    NativeMessageReader cut;
    const std::string frame = EncodeNativeMessage(R"({"text":"abc"})");
    std::string_view part(frame.data(), frame.size() - 1);
    EXPECT_EQ(cut.Feed(part), State::kNeedMore);
    EXPECT_TRUE(cut.InsideFrame());
}

TEST(CaptureRequest, TakesTheTextOrSaysWhatIsWrong) {
    const CaptureRequest good = ParseCaptureRequest(R"({"text":"订单 1\n","url":"x"})");
    EXPECT_TRUE(good.ok);
    EXPECT_EQ(good.text, "订单 1\n");
    for (const char* bad :
         {"", "not json", "[1]", R"({"text":1})", R"({"url":"x"})", "{\"text\""}) {
        const CaptureRequest request = ParseCaptureRequest(bad);
        EXPECT_FALSE(request.ok) << bad;
        EXPECT_FALSE(request.error.empty()) << bad;
    }
}

}  // namespace
}  // namespace tallivo::browser
