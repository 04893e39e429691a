#include "orders/gbk_string.h"

#include <gtest/gtest.h>

#include "text/gbk_codec.h"

namespace tallivo {
namespace {

TEST(GbkString, RoundTripsAndMarksWhatGbkCannotHold) {
    const QString text = QString::fromUtf8(u8"收货人：张小明 €5");
    EXPECT_EQ(QStringToGbk(text), Gbk(u8"收货人：张小明 €5"));
    EXPECT_EQ(GbkToQString(QStringToGbk(text)), text);
    // Outside the BMP GB18030 keeps it; a lone surrogate has no bytes and is one "?".
    EXPECT_EQ(QStringToGbk(QString::fromUtf8(u8"a😀b")),
              "a\x94\x39\xfc\x36"
              "b");
    EXPECT_EQ(GbkToQString(QStringToGbk(QString::fromUtf8(u8"刘䶮😀"))),
              QString::fromUtf8(u8"刘䶮😀"));
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
