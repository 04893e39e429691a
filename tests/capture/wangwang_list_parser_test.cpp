#include "capture/wangwang_list_parser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "capture/capture_driver.h"
#include "capture/list_page_scan.h"
#include "support/capture_fixture.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"
#include "text/text_search.h"

namespace tallivo {
namespace {

using testing::ReadCaptureFixture;
using testing::ScriptedHost;

TEST(WangwangListParser, EntriesInTextOrderWithNamesAndAmounts) {
    ScriptedHost host(ReadCaptureFixture("wangwang_list_1.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"买家：{买家}"));
    MenuItemReplaceAllClick(host);

    EXPECT_TRUE(host.prompter.questions.empty());
    // The link word between nickname and presence word is not taken for the nickname.
    EXPECT_EQ(host.invoice.Text(), Gbk(u8"买家：xiaoxiong88"));
    ASSERT_EQ(host.grid.RowCount(), 5);
    EXPECT_EQ(host.grid.Cell(1, 1), Gbk(u8"韩版修身毛呢外套 加厚 黑色 L码"));
    EXPECT_EQ(host.grid.Cell(6, 1), "266.00");
    EXPECT_EQ(host.grid.Cell(1, 2), Gbk(u8"纯棉格子衬衫 男款 蓝色 XL"));  // offline
    EXPECT_EQ(host.grid.Cell(1, 3), Gbk(u8"羊毛针织围巾　灰色"));         // mobile
    EXPECT_EQ(host.grid.Cell(6, 3), "35.00");
}

TEST(WangwangListParser, TwoBuyersFirstLineAndRepeatedNames) {
    ScriptedHost host(ReadCaptureFixture("wangwang_list_2.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{买家}"));
    host.prompter.answers = {true};
    MenuItemReplaceAllClick(host);
    MenuItemReplaceAllClick(host);

    EXPECT_EQ(host.prompter.questions.size(), 1u);
    EXPECT_EQ(host.invoice.Text(), "lanlan_2008");
    ASSERT_EQ(host.grid.RowCount(), 5);
    // The first entry has no line break before it.
    EXPECT_EQ(host.grid.Cell(1, 1), Gbk(u8"儿童卡通保温杯 350ml 粉色"));
    EXPECT_EQ(host.grid.Cell(6, 1), "45.00");
    EXPECT_EQ(host.grid.Cell(1, 3), Gbk(u8"家用保鲜膜 30米"));

    ScriptedHost refused(ReadCaptureFixture("wangwang_list_2.txt"), kSiteTaobao, kTabInvoice);
    refused.invoice.SetText(Gbk(u8"{买家}"));
    MenuItemReplaceAllClick(refused);
    EXPECT_EQ(refused.invoice.Text(), Gbk(u8"{买家}"));
    EXPECT_EQ(refused.grid.Cell(1, 1), "");
}

// The scanner must give the toolkit's answers, directly and from its tables.
TEST(ListPageScanner, AgreesWithTheTextToolkit) {
    std::mt19937 random(7);
    const char alphabet[] = {' ', '\t', '\r', '\n', '\xA1', '\xA1', 'x', '\0'};
    for (int round = 0; round < 120; ++round) {
        std::string text(round < 100 ? 40 : 9000, 'x');
        for (char& c : text) c = alphabet[random() % sizeof alphabet];
        // A long run without blanks or breaks drives the scanner onto its tables.
        if (round >= 100 && round % 2 == 0) text.replace(3, 6000, 6000, 'y');
        ListPageScanner scan(text);
        const int n = static_cast<int>(text.size());
        for (int p = n + 2; p >= -1; p -= (round < 100 ? 1 : 37)) {
            ASSERT_EQ(scan.SkipBlanksBackward(p), SkipBlanksBackward(text, p)) << round << ' ' << p;
            ASSERT_EQ(scan.FindBlankBackward(p), FindBlankBackward(text, p)) << round << ' ' << p;
            int b = p > n ? n : p;
            while (b > 1 && !(text[b - 1] == '\n' && text[b - 2] == '\r')) --b;
            ASSERT_EQ(scan.LineBreakBackward(p), b > 1 ? b : 0) << round << ' ' << p;
        }
    }
}

TEST(WangwangListParser, PageWithoutBlanksOrLineBreaksStaysLinear) {
    const std::string online = Gbk(u8"旺旺在线");
    std::string glued, oneLine, sharedNickname = std::string(1 << 20, 'n') + " ";
    for (int i = 0; i < 200000; ++i) glued += "x" + online;
    for (int i = 0; i < 100000; ++i) sharedNickname += online;
    for (int i = 0; i < 100000; ++i) oneLine += "cup bob w " + online + " 1.00 ";
    for (const std::string& page :
         {glued, oneLine, sharedNickname, std::string("\0", 1) + online, online}) {
        const auto begin = std::chrono::steady_clock::now();
        ScriptedHost host(page, kSiteTaobao, kTabInvoice);
        ParseWangwangList(host, 1);
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
    }
}

}  // namespace
}  // namespace tallivo
