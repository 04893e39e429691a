#include "richtext/rtf.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <fstream>
#include <sstream>

#include "richtext/rich_text_document.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

std::string ReadFile(const std::string& name) {
    std::ifstream in(std::string(TALLIVO_RICHTEXT_DATA) + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

QTextCharFormat At(const QTextDocument& doc, int block, int offset) {
    QTextCursor c(doc.findBlockByNumber(block));
    c.setPosition(c.position() + offset + 1);
    return c.charFormat();
}

Qt::Alignment AlignOf(const QTextDocument& doc, int block) {
    return doc.findBlockByNumber(block).blockFormat().alignment() & Qt::AlignHorizontal_Mask;
}

QString Family(const QTextCharFormat& f) {
    return f.property(QTextFormat::FontFamilies).toStringList().value(0);
}

TEST(Rtf, RoundTripIsExact) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat song;
    song.setFontFamilies({QString::fromUtf8(u8"宋体")});
    song.setFontPointSize(10.5);
    song.setFontWeight(QFont::Bold);
    song.setForeground(QColor(255, 0, 255));
    c.insertText(QString::fromUtf8(u8"收货人：{收货人} \\ { } \t€"), song);
    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    c.insertBlock(centre);
    QTextCharFormat arial;
    arial.setFontFamilies({"Arial;X"});
    arial.setFontItalic(true);
    arial.setFontUnderline(true);
    arial.setFontStrikeOut(true);
    c.insertText(QString::fromUtf8(u8"x\u2028y\U0001F600한"), arial);
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.insertBlock(right, song);  // an empty last paragraph keeps its mark's format

    const std::string rtf = WriteRtf(doc);
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg936", 0), 0u);
    EXPECT_NE(rtf.find("\\fcharset134 \\'cb\\'ce\\'cc\\'e5;"), std::string::npos);
    EXPECT_EQ(WriteRtf(doc), rtf);

    QTextDocument back;
    ReadRtf(back, rtf);
    EXPECT_EQ(back.toPlainText(), doc.toPlainText());
    EXPECT_EQ(back.blockCount(), 3);
    EXPECT_EQ(AlignOf(back, 1), Qt::AlignHCenter);
    EXPECT_EQ(AlignOf(back, 2), Qt::AlignRight);
    const QTextCharFormat f = At(back, 0, 0);
    EXPECT_EQ(Family(f), QString::fromUtf8(u8"宋体"));
    EXPECT_EQ(f.fontPointSize(), 10.5);
    EXPECT_EQ(f.fontWeight(), QFont::Bold);
    EXPECT_EQ(f.foreground().color(), QColor(255, 0, 255));
    const QTextCharFormat g = At(back, 1, 0);
    EXPECT_TRUE(g.fontItalic() && g.fontUnderline() && g.fontStrikeOut());
    EXPECT_EQ(Family(g), "Arial X");
    EXPECT_EQ(WriteRtf(back), rtf);
}

TEST(Rtf, WordPadSample) {
    RichTextDocument doc;
    doc.LoadRtf(ReadFile("wordpad.rtf"));
    EXPECT_EQ(doc.PlainText(),
              Gbk(u8"发货单\r\n收货人：{收货人}\r\nTel: 13800138000\tend\r\ngone"));
    const QTextDocument& d = *doc.Document();
    EXPECT_EQ(AlignOf(d, 0), Qt::AlignHCenter);
    EXPECT_EQ(AlignOf(d, 1), Qt::AlignLeft);
    EXPECT_EQ(AlignOf(d, 2), Qt::AlignRight);
    EXPECT_EQ(At(d, 0, 0).fontWeight(), QFont::Bold);
    EXPECT_EQ(At(d, 0, 0).fontPointSize(), 18);
    EXPECT_EQ(Family(At(d, 0, 0)), QString::fromUtf8(u8"宋体"));
    EXPECT_EQ(Family(At(d, 1, 0)), QString::fromUtf8(u8"黑体"));
    EXPECT_EQ(At(d, 1, 0).foreground().color(), QColor(255, 0, 0));
    EXPECT_FALSE(At(d, 1, 3).hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_TRUE(At(d, 2, 0).fontItalic());
    EXPECT_EQ(Family(At(d, 2, 0)), "Arial");
    EXPECT_EQ(At(d, 2, 0).fontPointSize(), 10);
    EXPECT_TRUE(At(d, 2, 18).fontUnderline());
    EXPECT_TRUE(At(d, 3, 0).fontStrikeOut());
    EXPECT_EQ(At(d, 3, 0).foreground().color(), QColor(0, 0, 255));
}

TEST(Rtf, LibreOfficeSample) {
    RichTextDocument doc;
    doc.LoadRtf(ReadFile("libreoffice.rtf"));
    EXPECT_EQ(doc.Document()->toPlainText(),
              QString::fromUtf8(u8"发货单\nBuyer: 张三\tx\ny\nRight € ok"));
    const QTextDocument& d = *doc.Document();
    EXPECT_EQ(AlignOf(d, 0), Qt::AlignHCenter);
    EXPECT_EQ(AlignOf(d, 2), Qt::AlignRight);
    EXPECT_EQ(At(d, 0, 0).fontPointSize(), 16);
    EXPECT_EQ(At(d, 0, 0).fontWeight(), QFont::Bold);
    EXPECT_EQ(Family(At(d, 1, 0)), "Liberation Serif");
    EXPECT_EQ(Family(At(d, 1, 7)), QString::fromUtf8(u8"宋体"));
    EXPECT_TRUE(At(d, 1, 7).fontItalic());
    EXPECT_EQ(At(d, 1, 7).foreground().color(), QColor(255, 0, 0));
    EXPECT_TRUE(At(d, 2, 0).fontUnderline() && At(d, 2, 0).fontStrikeOut());
    EXPECT_EQ(At(d, 2, 0).fontPointSize(), 10);
}

TEST(Rtf, WordSample) {
    RichTextDocument doc;
    doc.LoadRtf(ReadFile("word.rtf"));
    EXPECT_EQ(doc.Document()->toPlainText(),
              QString::fromUtf8(u8"发货单\nAddr: 北京市 € “q”\nA1\tB1\t\nlinktail"));
    const QTextDocument& d = *doc.Document();
    EXPECT_EQ(AlignOf(d, 0), Qt::AlignHCenter);
    EXPECT_EQ(Family(At(d, 0, 0)), QString::fromUtf8(u8"宋体"));
    EXPECT_EQ(At(d, 0, 0).fontPointSize(), 16);
    EXPECT_EQ(Family(At(d, 1, 0)), "Calibri");
    EXPECT_EQ(At(d, 1, 0).fontPointSize(), 10.5);
    EXPECT_EQ(At(d, 1, 6).foreground().color(), QColor(255, 0, 0));
    EXPECT_TRUE(At(d, 3, 0).fontUnderline());
    EXPECT_FALSE(At(d, 3, 4).fontUnderline());
}

TEST(Rtf, DamagedInputKeepsWhatWasRead) {
    QTextDocument doc;
    ReadRtf(doc, "{\\rtf1 {\\b abc\\par de");  // truncated
    EXPECT_EQ(doc.toPlainText(), "abc\nde");

    ReadRtf(doc, "{\\rtf1 a}}}}b");  // unbalanced: nothing after the header group
    EXPECT_EQ(doc.toPlainText(), "a");

    // A font entry without its ";" still names the font.
    ReadRtf(doc, "{\\rtf1{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5}}\\f0 a}");
    EXPECT_EQ(Family(At(doc, 0, 0)), QString::fromUtf8(u8"宋体"));

    std::string deep = "{\\rtf1 x";
    deep += std::string(1000000, '{') + "y" + std::string(1000000, '}') + "z}";
    ReadRtf(doc, deep);
    EXPECT_EQ(doc.toPlainText(), "xyz");

    ReadRtf(doc,
            "{\\rtf1 \\fs999999999999999999999999999999 a\\u-999999999999999999999 b\\uc"
            "99999999999999999999 c\\bin99999999999999 }");
    EXPECT_EQ(doc.toPlainText(), "ac");
    EXPECT_EQ(At(doc, 0, 0).fontPointSize(), 1638);

    ReadRtf(doc, std::string("{\\rtf1 a\0b\\'\\'4", 15) + "\\'z1}");
    EXPECT_EQ(doc.toPlainText(), "ab4z1");

    // A two-byte fallback counted as one character does not leave its trail byte behind.
    ReadRtf(doc, "{\\rtf1\\uc1 \\u24352\\'d5\\'c5x\\u65\\'41\\'42}");
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf8(u8"张xAB"));

    ReadRtf(doc, "{\\rtf1 \\bin-5 ok\\bin3 {}}x}");
    EXPECT_EQ(doc.toPlainText(), "okx");
}

TEST(Rtf, UnicodeFallbackSkipping) {
    QTextDocument doc;
    // A two-byte fallback counted in full: its second byte is a trail, so the GBK escapes that
    // follow are text.
    ReadRtf(doc, "{\\rtf1\\uc2\\u20013\\'d6\\'d0\\'b9\\'fa}");
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf8(u8"中国"));
    // \\uc is scoped to its group; negative \\u values are code points above 32767.
    ReadRtf(doc, "{\\rtf1 {\\uc2 a}\\u22269?\\u-10179?\\u-8704?x}");
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf8(u8"a国\U0001F600x"));
    // In a one-byte code page a high fallback byte opens no pair: the next escape is text.
    ReadRtf(doc, "{\\rtf1\\ansi\\ansicpg1252 \\u233\\'e9\\'e8x}");
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf8(u8"éèx"));
}

// What only GB18030 holds goes out as \uN, so that a reader of code page 936 never takes
// GB18030 bytes for GBK; GB18030 bytes that other editors wrote still read back.
TEST(Rtf, CharactersBeyondGbkAreWrittenAsUnicode) {
    QTextDocument doc;
    doc.setPlainText(QString::fromUtf8(u8"刘\u4dae\U0001F600"));
    const std::string rtf = WriteRtf(doc);
    EXPECT_NE(rtf.find("\\'c1\\'f5\\u19886?\\u-10179?\\u-8704?"), std::string::npos) << rtf;
    ReadRtf(doc, "{\\rtf1\\ansicpg936 \\'c1\\'f5\\'fe\\'9f\\'94\\'39\\'fc\\'36}");
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf8(u8"刘\u4dae\U0001F600"));
}

TEST(Rtf, OversizedFontWritesTheLargestSizeReadBack) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat f;
    f.setFontPointSize(5000);
    c.insertText("a", f);
    f.setFontPointSize(1e12);  // far beyond int half-points
    c.insertText("b", f);
    const std::string rtf = WriteRtf(doc);
    EXPECT_NE(rtf.find("\\fs3276 ab\\par"), std::string::npos) << rtf;
    QTextDocument back;
    ReadRtf(back, rtf);
    EXPECT_EQ(WriteRtf(back), rtf);
}

TEST(Rtf, FontNamesAreWrittenAsTheyReadBack) {
    // ";" ends a name in the font table and blanks around a name are dropped on reading, so
    // names that differ only there must share one entry, and a blank name is the default font.
    QTextDocument doc;
    QTextCursor c(&doc);
    for (const char* family : {"Arial;X", "Arial X", " Foo ", "  ", "Foo"}) {
        QTextCharFormat f;
        f.setFontFamilies({QString::fromLatin1(family)});
        c.insertText(QString::fromLatin1(family) + "|", f);
    }
    const std::string rtf = WriteRtf(doc);
    QTextDocument back;
    ReadRtf(back, rtf);
    EXPECT_EQ(WriteRtf(back), rtf);
    EXPECT_EQ(Family(At(back, 0, 0)), "Arial X");
    EXPECT_EQ(Family(At(back, 0, 17)), "Foo");
}

TEST(Rtf, ControlCharactersInFontNamesAreDroppedBothWays) {
    // A tab was written as \tab, which the font table does not keep: every save changed the name.
    QTextDocument doc;
    QTextCursor c(&doc);
    for (const QString& family :
         {QString("Ari\tal"), QString("Co\x01ur\nier\x7f"), QString("Sim\u2028Sun\u0085")}) {
        QTextCharFormat f;
        f.setFontFamilies({family});
        c.insertText("x", f);
    }
    const std::string once = WriteRtf(doc);
    QTextDocument back;
    ReadRtf(back, once);
    EXPECT_EQ(WriteRtf(back), once);
    EXPECT_EQ(Family(At(back, 0, 0)), "Arial");
    EXPECT_EQ(Family(At(back, 0, 1)), "Courier");
    EXPECT_EQ(Family(At(back, 0, 2)), "SimSun");
    // Files written before keep their names without the control characters too.
    ReadRtf(back, "{\\rtf1{\\fonttbl{\\f0 Ari\\tab al;}{\\f1 Co\\'01urier;}}\\f0 a\\f1 b}");
    EXPECT_EQ(Family(At(back, 0, 0)), "Arial");
    EXPECT_EQ(Family(At(back, 0, 1)), "Courier");
}

TEST(Rtf, PlainTextWhenNoHeader) {
    QTextDocument doc;
    ReadRtf(doc, " {\\rtf1 x}");
    EXPECT_EQ(doc.toPlainText(), " {\\rtf1 x}");
    ReadRtf(doc, Gbk(u8"甲\r\n乙\r丙"));
    EXPECT_EQ(doc.blockCount(), 3);
    EXPECT_EQ(GbkPlainText(doc), Gbk(u8"甲\r\n乙\r\n丙"));
}

}  // namespace
}  // namespace tallivo
