#include <errno.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace {

struct Result {
    std::string out;
    std::size_t r;
    int error;
    std::size_t inLeft;
};

Result Convert(const char* to, const char* from, const std::string& input, std::size_t room = 64) {
    iconv_t cd = iconv_open(to, from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out(room, '\0');
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char* o = out.data();
    std::size_t outLeft = room;
    errno = 0;
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    const int error = r == static_cast<std::size_t>(-1) ? errno : 0;
    iconv_close(cd);
    out.resize(room - outLeft);
    return {out, r, error, inLeft};
}

// The export and the codec lean on iconv's GB18030 directly: its codes, errors and stopping
// points must be those of glibc on every system.
TEST(Gb18030Iconv, CodesErrorsAndStoppingPointsAsGlibc) {
    // Two bytes, four in the first plane, four linear above it, the few two-byte codes of
    // characters above the first plane, and the euro in two bytes.
    const std::string utf8 = u8"收\u0e01\U0001F600\U00020087\u20ac";
    const std::string gb = "\xca\xd5\x81\x32\xce\x39\x94\x39\xfc\x36\xfe\x51\xa2\xe3";
    EXPECT_EQ(Convert("GB18030", "UTF-8", utf8).out, gb);
    EXPECT_EQ(Convert("UTF-8", "GB18030", gb).out, utf8);

    Result lone = Convert("UTF-8", "GB18030", "a\x80z");
    EXPECT_EQ(lone.error, EILSEQ);
    EXPECT_EQ(lone.out, "a");
    EXPECT_EQ(lone.inLeft, 2u);
    // Cut short at the end: EINVAL; malformed before the end: EILSEQ.
    EXPECT_EQ(Convert("UTF-8", "GB18030", "a\x81\x30\x81").error, EINVAL);
    EXPECT_EQ(Convert("UTF-8", "GB18030", "\x81\x30\x01\x30").error, EILSEQ);
    EXPECT_EQ(Convert("UTF-8", "GB18030", "\x84\x31\xa5\x30").error, EILSEQ);  // past the plane
    Result full = Convert("GB18030", "UTF-8", u8"a\U0001F600", 3);
    EXPECT_EQ(full.error, E2BIG);
    EXPECT_EQ(full.out, "a");
    EXPECT_EQ(full.inLeft, 4u);
}

}  // namespace
