#include "capture/keywords.h"

#include <gtest/gtest.h>

#include "support/scripted_host.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::ScriptedHost;

TEST(KeywordsTest, CommonKeywordsFollowTheirOwnOrderNotTextOrder) {
    ScriptedHost host;
    host.invoice.SetText(Gbk(u8"{发货日期} {发货时间} {发货单号} {交易网站} {买家}"));
    ASSERT_TRUE(ReplaceCommonKeyword(host, host.invoice, 1));
    EXPECT_EQ(host.replaceText, Gbk(u8"淘宝网"));
    EXPECT_EQ(host.invoice.SelStart(), 33);
    EXPECT_EQ(host.invoice.SelLength(), 10);
    EXPECT_TRUE(host.invoice.Focused());

    host.invoice.SetText(Gbk(u8"{发货日期}{发货时间}{发货单号}"));
    ASSERT_TRUE(ReplaceCommonKeyword(host, host.invoice, 1));
    EXPECT_EQ(host.replaceText, "1382401");
    host.invoice.SetText(Gbk(u8"{发货日期}{发货时间}"));
    ASSERT_TRUE(ReplaceCommonKeyword(host, host.invoice, 1));
    EXPECT_EQ(host.replaceText, "09:05:30");
    host.invoice.SetText(Gbk(u8"{发货日期}"));
    ASSERT_TRUE(ReplaceCommonKeyword(host, host.invoice, 1));
    EXPECT_EQ(host.replaceText, "2008-03-07");
    // From a later start the earlier occurrence is not seen.
    EXPECT_FALSE(ReplaceCommonKeyword(host, host.invoice, 2));

    host.invoice.SetText(Gbk(u8"{交易网站}"));
    host.site = 1;
    ASSERT_TRUE(ReplaceCommonKeyword(host, host.invoice, 1));
    EXPECT_EQ(host.replaceText, Gbk(u8"拍拍网"));
    host.site = -1;
    host.invoiceSN = -12;
    const int offers = host.offers;
    EXPECT_TRUE(ReplaceCommonKeyword(host, host.invoice, 1));
    EXPECT_EQ(host.offers, offers);
    ASSERT_EQ(host.prompter.messages.size(), 1u);
    EXPECT_EQ(host.prompter.messages[0], Gbk(u8"无法识别的输入文本！"));

    // A full-width brace is no keyword; a box that cannot take the focus is still selected.
    host.invoice.SetText(Gbk(u8"｛发货单号｝{发货单号}"));
    host.invoice.SetCanFocus(false);
    host.invoice.SetFocused(false);
    ASSERT_TRUE(ReplaceCommonKeyword(host, host.invoice, 1));
    EXPECT_EQ(host.replaceText, "-12");
    EXPECT_EQ(host.invoice.SelStart(), 12);
    EXPECT_FALSE(host.invoice.Focused());
}

TEST(KeywordsTest, CutsNeverReadOutsideTheText) {
    const std::string text = "abc def";
    EXPECT_EQ(CutBytes(text, 0, 3), "abc");
    EXPECT_EQ(CutBytes(text, -5, 2), "ab");
    EXPECT_EQ(CutBytes(text, 6, 100), "ef");
    EXPECT_EQ(CutBytes(text, 99, 2), "");
    EXPECT_EQ(CutBytes(text, 2, -1), "");
    EXPECT_EQ(CutRange(text, 5, 3), "");
    EXPECT_EQ(CutRange(text, 5, 7), "def");
    // A marker that stands before the value's start yields nothing.
    EXPECT_EQ(CutUpTo(text, 5, 2), "");
    EXPECT_EQ(CutUpTo(text, 5, 0), "");
    EXPECT_EQ(CutUpTo(text, 1, 4), "abc");
    EXPECT_EQ(WordAt(text, 4), "def");
    EXPECT_EQ(WordFrom(text, 4), "");
    EXPECT_EQ(WordAt("", 0), "");
}

TEST(KeywordsTest, ConfirmSingleBuyerAsksOnceForASecondBuyer) {
    ScriptedHost host;
    EXPECT_TRUE(ConfirmSingleBuyer(host, "a"));
    EXPECT_EQ(host.trade.currentBuyer, "a");
    EXPECT_TRUE(ConfirmSingleBuyer(host, "a"));
    EXPECT_TRUE(host.prompter.questions.empty());
    EXPECT_FALSE(ConfirmSingleBuyer(host, "b"));
    EXPECT_TRUE(host.trade.askMultipleBuyers);
    host.prompter.answers = {true};
    EXPECT_TRUE(ConfirmSingleBuyer(host, "b"));
    EXPECT_FALSE(host.trade.askMultipleBuyers);
    ASSERT_EQ(host.prompter.questions.size(), 2u);
    EXPECT_EQ(host.prompter.questions[0].caption, Gbk(u8"提示：有多个买家！"));
    EXPECT_EQ(host.prompter.questions[0].text, Gbk(u8"有多个买家，继续吗？"));
    EXPECT_EQ(host.trade.currentBuyer, "a");
}

}  // namespace
}  // namespace tallivo
