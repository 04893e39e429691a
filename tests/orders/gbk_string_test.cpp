#include "orders/gbk_string.h"

#include <gtest/gtest.h>

#include "text/gbk_codec.h"

namespace tallivo {
namespace {

TEST(GbkString, RoundTripsAndMarksWhatGbkCannotHold) {
    const QString text = QString::fromUtf8(u8"收货人：张小明 €5");
    EXPECT_EQ(QStringToGbk(text), Gbk(u8"收货人：张小明 €5"));
    EXPECT_EQ(GbkToQString(QStringToGbk(text)), text);
    // One "?" per character, also for one outside the BMP and for a lone surrogate.
    EXPECT_EQ(QStringToGbk(QString::fromUtf8(u8"a😀b")), "a?b");
    EXPECT_EQ(QStringToGbk(QString(QChar(0xD800))), "?");
    // A lead byte with no trail, and a byte that starts nothing, do not swallow the text.
    EXPECT_EQ(GbkToQString("a\xFF"
                           "b"),
              QStringLiteral("a?b"));
    EXPECT_EQ(GbkToQString("ab\xD5"), QStringLiteral("ab?"));
    EXPECT_TRUE(GbkToQString({}).isEmpty());
}

}  // namespace
}  // namespace tallivo
