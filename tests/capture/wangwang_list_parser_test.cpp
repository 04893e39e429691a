#include "capture/wangwang_list_parser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "capture/capture_driver.h"
#include "capture/list_page_scan.h"
#include "support/capture_fixture.h"
#include "support/scripted_host.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using testing::ReadCaptureFixture;
using testing::ScriptedHost;

TEST(WangwangListParser, EntriesInTextOrderSkippingTheLinkWord) {
    ScriptedHost host(ReadCaptureFixture("wangwang_list_1.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{买家}"));
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.invoice.Text(), "xiaoxiong88");
    ASSERT_EQ(host.grid.RowCount(), 5);
    EXPECT_EQ(host.grid.Cell(1, 2), Gbk(u8"纯棉格子衬衫 男款 蓝色 XL"));  // offline
    EXPECT_EQ(host.grid.Cell(6, 3), "35.00");                             // mobile
}

TEST(WangwangListParser, TwoBuyersAndAFirstEntryWithoutLineBreak) {
    ScriptedHost host(ReadCaptureFixture("wangwang_list_2.txt"), kSiteTaobao, kTabInvoice);
    host.invoice.SetText(Gbk(u8"{买家}"));
    host.prompter.answers = {true};
    MenuItemReplaceAllClick(host);
    MenuItemReplaceAllClick(host);
    EXPECT_EQ(host.prompter.questions.size(), 1u);
    ASSERT_EQ(host.grid.RowCount(), 5);
    EXPECT_EQ(host.grid.Cell(1, 1), Gbk(u8"儿童卡通保温杯 350ml 粉色"));
    EXPECT_EQ(host.grid.Cell(6, 1), "45.00");
}

TEST(WangwangListParser, EntryWithoutAmountKeepsTheNextName) {
    ScriptedHost host(Gbk(u8"cup bob w 旺旺在线\r\nbowl tom w 旺旺离线 2.00\r\n"), kSiteTaobao,
                      kTabInvoice);
    host.trade.askMultipleBuyers = false;
    ParseWangwangList(host, 1);
    EXPECT_EQ(host.grid.Cell(1, 2), "bowl");
    EXPECT_EQ(host.grid.Cell(6, 2), "2.00");
}

// Direct scans and the tables a long scan switches to must both give the toolkit's answers.
TEST(ListPageScanner, AgreesWithTheTextToolkit) {
    std::mt19937 random(7);
    const char alphabet[] = {' ', '\t', '\r', '\n', '\xA1', '\xA1', 'x', '\0'};
    for (int round = 0; round < 120; ++round) {
        std::string text(round < 100 ? 40 : 9000, 'x');
        for (char& c : text) c = alphabet[random() % sizeof alphabet];
        if (round >= 100 && round % 2 == 0) text.replace(3, 6000, 6000, 'y');
        ListPageScanner scan(text);
        for (int p = static_cast<int>(text.size()) + 2; p >= -1; p -= (round < 100 ? 1 : 37)) {
            ASSERT_EQ(scan.SkipBlanksBackward(p), SkipBlanksBackward(text, p)) << round << ' ' << p;
            ASSERT_EQ(scan.FindBlankBackward(p), FindBlankBackward(text, p)) << round << ' ' << p;
            const std::size_t lf = text.rfind("\r\n", p < 2 ? 0 : static_cast<std::size_t>(p - 2));
            ASSERT_EQ(scan.LineBreakBackward(p),
                      p < 2 || lf == std::string::npos ? 0 : int(lf) + 2);
        }
    }
}

TEST(WangwangListParser, PagesWithoutBlanksOrLineBreaksStayLinear) {
    const std::string online = Gbk(u8"旺旺在线");
    std::string glued, oneLine, sharedNickname = std::string(1 << 20, 'n') + " ";
    for (int i = 0; i < 100000; ++i) {
        glued += "x" + online;
        oneLine += "cup bob w " + online + " 1.00 ";
        sharedNickname += online;
    }
    for (const std::string& page : {glued, oneLine, sharedNickname}) {
        const auto begin = std::chrono::steady_clock::now();
        ScriptedHost host(page, kSiteTaobao, kTabInvoice);
        ParseWangwangList(host, 1);
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
    }
}

}  // namespace
}  // namespace tallivo
