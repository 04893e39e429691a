#include "text/text_search.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "support/recording_prompter.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::RecordingPrompter;

TEST(FindTextFrom, StartRulesOnChineseText) {
    RecordingPrompter prompter;
    const std::string text = "ab" + Gbk(u8"收货人");  // 8 bytes
    const std::string pattern = Gbk(u8"收货人");
    EXPECT_EQ(FindTextFrom(text, pattern, 1), 3);
    EXPECT_EQ(FindTextFrom(text, pattern, 3), 3);
    EXPECT_EQ(FindTextFrom(text, pattern, 4), 0);  // byte 4 is the trail byte of 收
    EXPECT_EQ(FindTextFrom(text, pattern, 0, &prompter), 0);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(FindTextFrom(text, pattern, -1), 0);  // no prompter: nobody to tell
    EXPECT_EQ(FindTextFrom(text, pattern, -1, &prompter), 0);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], Gbk(u8"搜索字符串起始位置不能小于0！"));
}

TEST(FindTextFrom, EmptyPatternsTextsAndStartsPastTheEnd) {
    EXPECT_EQ(FindTextFrom("abc", "", 1), 0);
    EXPECT_EQ(FindTextFrom("", "a", 1), 0);
    EXPECT_EQ(FindTextFrom("abc", "c", 3), 3);
    EXPECT_EQ(FindTextFrom("abc", "c", 4), 0);
    EXPECT_EQ(FindTextFrom("abc", "abcd", 1), 0);
    EXPECT_EQ(FindTextFrom("abc", "c", 1 << 30), 0);
    // A match that would run past the end of a view is never read beyond it.
    std::string_view head = std::string_view("abcdef").substr(0, 4);
    EXPECT_EQ(FindTextFrom(head, "de", 1), 0);
    EXPECT_EQ(FindTextFrom(std::string("a\0b", 3), std::string("\0b", 2), 1), 2);
}

TEST(SkipBlanks, ForwardOverEveryKindOfBlank) {
    EXPECT_EQ(SkipBlanksForward(" \t\xa1\xa1x", 1), 5);
    EXPECT_EQ(SkipBlanksForward("ab\r", 3), 3);    // a lone CR ending the text is no blank
    EXPECT_EQ(SkipBlanksForward("ab\r\n", 3), 5);  // CR LF at the end: length + 1
    EXPECT_EQ(SkipBlanksForward("a\nb", 2), 2);    // a lone LF neither
    EXPECT_EQ(SkipBlanksForward("ab  ", 3), 5);
    EXPECT_EQ(SkipBlanksForward("ab", 9), 9);  // past the end: unchanged
    EXPECT_EQ(SkipBlanksForward("", 1), 1);
    EXPECT_EQ(SkipBlanksForward("ab", 0), 0);
    EXPECT_EQ(SkipBlanksForward("a\xa1", 2), 2);  // half a full-width space at the end
}

TEST(SkipBlanks, BackwardAndFindBlankBackward) {
    EXPECT_EQ(SkipBlanksBackward("ab \r\n", 5), 2);
    EXPECT_EQ(SkipBlanksBackward("  ", 2), 0);
    EXPECT_EQ(SkipBlanksBackward("\r\n", 2), 0);
    EXPECT_EQ(SkipBlanksBackward("\n", 1), 1);  // a lone LF is part of a word
    EXPECT_EQ(SkipBlanksBackward("ab", 7), 7);  // past the end reads 0: no blank
    EXPECT_EQ(SkipBlanksBackward("", 0), 0);
    EXPECT_EQ(FindBlankBackward("ab cd", 5), 3);
    EXPECT_EQ(FindBlankBackward("abcd", 4), 0);
    EXPECT_EQ(FindBlankBackward("ab\r\ncd", 6), 4);   // the LF
    EXPECT_EQ(FindBlankBackward("a\xa1\xa1", 3), 3);  // the second byte of the pair
    EXPECT_EQ(FindBlankBackward("ab cd", 1 << 30), 3);
    EXPECT_EQ(FindBlankBackward("ab cd", -4), 0);
}

TEST(WordLengthAt, WordsEndAtBlanksOrTheText) {
    EXPECT_EQ(WordLengthAt("abc def", 1), 3);
    EXPECT_EQ(WordLengthAt("abc", 1), 3);
    EXPECT_EQ(WordLengthAt("abc def", 4), 0);
    EXPECT_EQ(WordLengthAt("abc\r\ndef", 1), 3);
    EXPECT_EQ(WordLengthAt("ab\rc", 1), 4);  // a lone CR counts
    EXPECT_EQ(WordLengthAt("ab\xa1\xa1x", 1), 2);
    EXPECT_EQ(WordLengthAt("ab\xa1", 1), 3);  // a lone trailing 0xA1 is a byte of the word
    EXPECT_EQ(WordLengthAt("ab ", 3), 0);
    EXPECT_EQ(WordLengthAt("abc", 4), 0);
    EXPECT_EQ(WordLengthAt("", 1), 0);
    // Position 0 reads a 0 byte, which belongs to the word that starts the text.
    EXPECT_EQ(WordLengthAt("abc def", 0), 4);
    EXPECT_EQ(WordLengthAt("", 0), 1);
}

// The two compositions the parsers build on: the word after and the word before a position.
TEST(WordLengthAt, ParserCompositionsStepWordByWord) {
    const std::string text = Gbk(u8"收货人：\u3000张三 \r\n13800001111");
    const std::string label = Gbk(u8"收货人：");
    int s = SkipBlanksForward(text, FindTextFrom(text, label, 1) + static_cast<int>(label.size()));
    EXPECT_EQ(text.substr(s - 1, WordLengthAt(text, s)), Gbk(u8"张三"));
    int e = SkipBlanksBackward(text, static_cast<int>(text.size()) - 11);
    int b = FindBlankBackward(text, e);
    EXPECT_EQ(text.substr(b, e - b), Gbk(u8"张三"));
    int e2 = SkipBlanksBackward(text, FindBlankBackward(text, b));
    EXPECT_EQ(text.substr(FindBlankBackward(text, e2), e2 - FindBlankBackward(text, e2)), label);
}

TEST(TelephoneNumbers, MobileAndAreaCodePrefixes) {
    EXPECT_TRUE(IsMobileNumberAt("13800001111", 1));
    EXPECT_TRUE(IsMobileNumberAt("15000001111", 1));
    EXPECT_FALSE(IsMobileNumberAt("14800001111", 1));
    EXPECT_FALSE(IsMobileNumberAt("1380000111", 1));  // ten digits ending the text
    EXPECT_TRUE(IsMobileNumberAt("x138000011112", 2));
    EXPECT_FALSE(IsMobileNumberAt("1380000111", -3));
    EXPECT_TRUE(IsPhoneAreaCodeAt("010-1234", 1));
    EXPECT_TRUE(IsPhoneAreaCodeAt("05711234", 1));
    EXPECT_FALSE(IsPhoneAreaCodeAt("01-2345", 1));
    EXPECT_FALSE(IsPhoneAreaCodeAt("010", 1));  // the fourth byte is past the end
    EXPECT_FALSE(IsPhoneAreaCodeAt("", 0));
}

// Walking back, a four-byte character's last byte is no digit; a real digit after it is.
TEST(TelephoneNumbers, DigitsEndingBeforeAFourByteCharacter) {
    const std::string text = Gbk(u8"收1\U0001F6002)");  // 收 1 94 39 FC 36 2 )
    EXPECT_TRUE(IsDigitEndingAt(text, 3));
    EXPECT_FALSE(IsDigitEndingAt(text, 7));
    EXPECT_TRUE(IsDigitEndingAt(text, 8));
}

TEST(AllocBuffer, GivesAWritableBufferOrReportsFailure) {
    RecordingPrompter prompter;
    auto buffer = AllocBuffer(16, &prompter);
    ASSERT_TRUE(buffer);
    buffer[15] = 'x';
    EXPECT_TRUE(prompter.messages.empty());
    // More than any address space holds; the sanitizer build is told to return null too.
    EXPECT_FALSE(AllocBuffer(std::numeric_limits<std::size_t>::max() / 2, &prompter));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], Gbk(u8"无法内存分配空间！"));
}

TEST(WithCrLf, OnlyBareLineFeedsGetTheirCarriageReturn) {
    EXPECT_EQ(WithCrLf("\na\r\nb\n\n"), "\r\na\r\nb\r\n\r\n");
    EXPECT_EQ(WithCrLf("\r\r\n"), "\r\r\n");
    EXPECT_EQ(WithCrLf(Gbk(u8"收货人：\n")), Gbk(u8"收货人：\r\n"));
}

}  // namespace
}  // namespace tallivo
