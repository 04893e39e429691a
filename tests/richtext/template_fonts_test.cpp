#include "richtext/template_fonts.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>

namespace tallivo {
namespace {

// The test main installs the stand-ins, as every program does.
TEST(TemplateFontsTest, EachWindowsFamilyDrawsHalfWidthLatinAndKeepsItsName) {
    for (const char* name : {u8"宋体", u8"黑体", u8"楷体", u8"仿宋"}) {
        SCOPED_TRACE(name);
        QFont font(QString::fromUtf8(name));
        font.setPixelSize(12);
        EXPECT_EQ(font.family(), QString::fromUtf8(name));
        const QString drawn = QFontInfo(font).family();
        const auto& table = TemplateFontStandIns();
        const auto entry = std::find_if(table.begin(), table.end(), [&](const FontStandIn& f) {
            return f.family == QString::fromUtf8(name);
        });
        ASSERT_NE(entry, table.end());
        // The first choice is installed: scripts/setup and the package bring it.
        EXPECT_EQ(drawn, entry->standIns.first());
        // Sixteen digits as wide as eight Chinese characters.
        const QFontMetricsF fm(font);
        EXPECT_DOUBLE_EQ(fm.horizontalAdvance(QStringLiteral("2008030712345678")), 96.0);
        EXPECT_DOUBLE_EQ(fm.horizontalAdvance(QString::fromUtf8(u8"收货人电话邮政编码")), 108.0);
    }
}

// The stand-ins answer to the names themselves: Qt needs no substitution list, and a character
// beyond GB2312 is drawn by the next stand-in of the same style, not by whatever font is first.
TEST(TemplateFontsTest, TheNamesAreFoundAndRareCharactersKeepTheirStyle) {
    for (const char* name : {u8"宋体", u8"楷体"}) {
        SCOPED_TRACE(name);
        const QString family = QString::fromUtf8(name);
        EXPECT_TRUE(QFont::substitutes(family).isEmpty());
        QFont font(family);
        font.setPixelSize(15);
        QTextLayout layout(QString::fromUtf8(u8"刘䶮"), font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const auto entry =
            std::find_if(TemplateFontStandIns().begin(), TemplateFontStandIns().end(),
                         [&](const FontStandIn& f) { return f.family == family; });
        ASSERT_NE(entry, TemplateFontStandIns().end());
        for (const QGlyphRun& run : layout.glyphRuns()) {
            EXPECT_TRUE(run.rawFont().familyName() == family ||
                        entry->standIns.contains(run.rawFont().familyName(), Qt::CaseInsensitive))
                << run.rawFont().familyName().toStdString();
        }
    }
}

}  // namespace
}  // namespace tallivo
