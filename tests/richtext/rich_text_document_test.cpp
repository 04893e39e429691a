#include "richtext/rich_text_document.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>
#include <optional>

#include "richtext/gbk_tables.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

// "中a" CR LF "😀b": 2 + 1 + 2 + 4 + 1 bytes; the emoji is outside GBK and kept as GB18030.
QString Mixed() {
    return QString::fromUtf8(u8"中a\n\U0001F600b");
}

// The tables are written when the program is built; every two-byte code the codec decodes to one
// character must decode to it here, and that character must encode to a code of the same.
TEST(GbkTables, AgreeWithTheCodecForEveryCode) {
    int characters = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const std::string code{char(lead), char(trail)};
            const QString expected = QString::fromUtf8(GbkToUtf8(code));
            if (expected.size() != 1 || expected[0].unicode() < 0x80 || expected[0] == u'?')
                continue;
            ++characters;
            ASSERT_EQ(gbk::Decode(code), expected) << lead << " " << trail;
            std::string back;
            ASSERT_EQ(gbk::Append(back, expected[0].unicode()), 2);
            ASSERT_EQ(QString::fromUtf8(GbkToUtf8(back)), expected) << lead << " " << trail;
        }
    }
    EXPECT_GT(characters, 21000);
}

TEST(RichTextDocument, PlainTextCountsGbkBytes) {
    RichTextDocument doc;
    doc.Document()->setPlainText(Mixed());
    EXPECT_EQ(doc.PlainText(), Gbk(u8"中a") +
                                   "\r\n\x94\x39\xfc\x36"
                                   "b");
    EXPECT_EQ(doc.ByteLength(), 10);
}

TEST(RichTextDocument, SelectionMapsBytesToCharacters) {
    RichTextDocument doc;
    doc.Document()->setPlainText(Mixed());
    doc.SetSelection(2, 7);  // "a", CR LF, the emoji
    EXPECT_EQ(doc.SelStart(), 2);
    EXPECT_EQ(doc.SelLength(), 7);
    EXPECT_EQ(doc.CurrentCursor().selectedText(), QString::fromUtf8(u8"a\u2029\U0001F600"));

    // Inside the Chinese character and inside CR LF: the start falls back, the end moves on.
    doc.SetSelection(1, 3);
    EXPECT_EQ(doc.SelStart(), 0);
    EXPECT_EQ(doc.SelLength(), 5);
    doc.SetSelection(6, 1);  // inside the four bytes: the whole character
    EXPECT_EQ(doc.SelStart(), 5);
    EXPECT_EQ(doc.SelLength(), 4);
    // A value with GB18030 in it lands whole, and counts its bytes.
    doc.ReplaceSelection(Gbk(u8"刘\u4dae\U00020000"));
    EXPECT_EQ(doc.Document()->toPlainText(), QString::fromUtf8(u8"中a\n刘\u4dae\U00020000b"));
    EXPECT_EQ(doc.PlainText(), Gbk(u8"中a\r\n刘\u4dae\U00020000b"));
    doc.Document()->setPlainText(Mixed());
    // Out of range is clamped, never a crash.
    doc.SetSelection(-5, 1000);
    EXPECT_EQ(doc.SelStart(), 0);
    EXPECT_EQ(doc.SelLength(), 10);
    doc.SetSelection(1000, 3);
    EXPECT_EQ(doc.SelStart(), 10);
    EXPECT_EQ(doc.SelLength(), 0);
}

TEST(RichTextDocument, ReplaceKeepsTheKeywordsFormat) {
    RichTextDocument doc;
    QTextCursor c(doc.Document());
    c.insertText("To: ");
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    red.setFontPointSize(20);
    c.insertText(QString::fromUtf8(u8"{收货人}"), red);
    c.insertText("!", QTextCharFormat());

    const std::string keyword = Gbk(u8"{收货人}");
    doc.SetSelection(4, static_cast<int>(keyword.size()));
    doc.ReplaceSelection(Gbk(u8"张三") + "\r\nB");
    EXPECT_EQ(doc.PlainText(), "To: " + Gbk(u8"张三") + "\r\nB!");
    EXPECT_EQ(doc.SelStart(), 4 + 4 + 2 + 1);
    EXPECT_EQ(doc.SelLength(), 0);
    doc.SetSelection(4, 2);
    EXPECT_EQ(doc.SelAttributes().color, QColor(255, 0, 0));
    EXPECT_EQ(doc.SelAttributes().pointSize, 20);

    // No selection: inserted at the caret.
    doc.SetSelection(0, 0);
    doc.ReplaceSelection("X");
    EXPECT_EQ(doc.PlainText().substr(0, 5), "XTo: ");
}

TEST(RichTextDocument, MapFollowsEditsMadeElsewhere) {
    RichTextDocument doc;
    doc.SetPlainText(Gbk(u8"甲乙"));
    EXPECT_EQ(doc.ByteLength(), 4);
    QTextCursor c(doc.Document());
    c.insertText(QString::fromUtf8(u8"丙"));
    EXPECT_EQ(doc.ByteLength(), 6);
    doc.SetSelection(2, 2);
    EXPECT_EQ(doc.CurrentCursor().selectedText(), QString::fromUtf8(u8"甲"));

    // Inside one edit block (one undo step for a whole replace-all) the positions stay exact.
    QTextCursor block(doc.Document());
    block.beginEditBlock();
    doc.SetSelection(0, 2);
    doc.ReplaceSelection("ab");
    doc.SetSelection(2, 2);
    EXPECT_EQ(doc.CurrentCursor().selectedText(), QString::fromUtf8(u8"甲"));
    doc.ReplaceSelection(Gbk(u8"丁"));
    EXPECT_EQ(doc.PlainText(), "ab" + Gbk(u8"丁乙"));
    block.endEditBlock();
}

TEST(RichTextDocument, AlignmentAndAttributesOnTheSelection) {
    RichTextDocument doc;
    doc.SetPlainText("one\r\ntwo\r\nthree");
    doc.SetSelection(1, 6);  // touches the first two paragraphs
    doc.SetAlignment(ParagraphAlignment::kCenter);
    EXPECT_EQ(doc.Alignment(), ParagraphAlignment::kCenter);
    doc.SetSelection(12, 0);
    EXPECT_EQ(doc.Alignment(), ParagraphAlignment::kLeft);
    doc.SetAlignment(ParagraphAlignment::kRight);
    EXPECT_EQ(
        doc.Document()->findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
        Qt::AlignRight);
    EXPECT_EQ(
        doc.Document()->findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
        Qt::AlignHCenter);

    CharAttributes a;
    a.family = QString::fromUtf8(u8"宋体");
    a.pointSize = 12;
    a.bold = a.underline = true;
    a.color = QColor(0, 0, 255);
    doc.SetSelection(0, 3);
    doc.SetSelAttributes(a);
    const CharAttributes back = doc.SelAttributes();
    EXPECT_EQ(back.family, a.family);
    EXPECT_EQ(back.pointSize, 12);
    EXPECT_TRUE(back.bold && back.underline && !back.italic && !back.strikeOut);
    EXPECT_EQ(back.color, a.color);
}

TEST(RichTextDocument, TextOrRtf) {
    RichTextDocument doc;
    doc.SetTextOrRtf(Gbk(u8"{收货人}"));
    EXPECT_EQ(doc.PlainText(), Gbk(u8"{收货人}"));
    doc.SetTextOrRtf("{\\rtf1\\ansi {\\b bold}}");
    EXPECT_EQ(doc.PlainText(), "bold");
    EXPECT_TRUE(doc.SelAttributes().bold);
}

// Loading content again into a document that kept it is skipped; any change in between, of text
// or of format, brings the content back.
TEST(RichTextDocument, LoadingContentAgainUndoesEveryChange) {
    QTextDocument source;
    QTextCursor(&source).insertText(QString::fromUtf8(u8"收货人：{收货人}"));
    const std::optional<RichTextContent> content = RichTextContent::Of(source);
    ASSERT_TRUE(content);
    RichTextDocument doc;
    const auto reload = [&] {
        doc.LoadContent(*content);
        EXPECT_EQ(doc.Document()->toPlainText(), source.toPlainText());
        EXPECT_FALSE(doc.Document()->isModified());
        EXPECT_EQ(doc.SelStart(), 0);
        EXPECT_EQ(doc.SelLength(), 0);
        QTextCursor first(doc.Document());
        first.setPosition(1);
        EXPECT_FALSE(first.charFormat().font().bold());
    };
    reload();
    doc.SetSelection(8, 8);
    doc.ReplaceSelection(Gbk(u8"张小明"));
    reload();
    doc.SetSelection(8, 8);
    reload();
    doc.SetSelection(0, 4);
    CharAttributes bold = doc.SelAttributes();
    bold.bold = true;
    doc.SetSelAttributes(bold);
    reload();
}

}  // namespace
}  // namespace tallivo
