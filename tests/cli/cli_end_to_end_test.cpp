// Runs the built tallivo-cli on the example pages and the starter content.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_fixture.h"
#include "pdf_words.h"
#include "print/page_geometry.h"
#include "storage/exchange_files.h"
#include "storage/file_io.h"
#include "storage/template_store.h"
#include "tallivo_version.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

namespace fs = std::filesystem;

using testing::CliRun;
using testing::ExampleBytes;
using testing::ExamplePath;
using testing::Quote;

class CliTest : public testing::CliFolderTest {
protected:
    CliRun Cli(const std::string& args) {
        return testing::RunShell(Quote(TALLIVO_CLI) + " " + args);
    }
    std::string Folder() { return "--folder " + Quote(folder_); }
};

using testing::WordBox;

TEST_F(CliTest, FreightBillPdfPutsTextWhereTheGeometrySays) {
    // The starter's consignee box is at (442, 68) on the panel; its background is 734 x 417.
    for (int dpi : {600, 300}) {
        const std::string pdf = (dir_ / ("fb" + std::to_string(dpi) + ".pdf")).string();
        CliRun r = Cli("fill " + Quote(ExamplePath("taobao-order-detail.txt")) +
                       " --form freight-bill --now '2008-03-09 10:00:00' --dpi " +
                       std::to_string(dpi) + " --pdf " + Quote(pdf) + " " + Folder());
        ASSERT_EQ(r.status, 0) << r.err;
        const float ppmm = PpmmFromDpi(dpi);
        auto s = ComputeFreightBillScale(190, 734, 417, ppmm, ppmm);
        const DeviceRect box = FreightBillBoxRect({442, 68, 270, 22}, FreightBillOriginX(0, ppmm),
                                                  FreightBillOriginY(0, ppmm), s->sx, s->sy);
        double x = 0, y = 0;
        ASSERT_TRUE(WordBox(pdf, u8"张小明", &x, &y));
        EXPECT_NEAR(x, box.left * 72.0 / dpi, 1.0) << dpi;
        EXPECT_NEAR(y, box.top * 72.0 / dpi, 2.0) << dpi;
    }
}

TEST_F(CliTest, BackgroundIsEmbeddedOnceForAllPages) {
    const std::string pdf = (dir_ / "bg.pdf").string();
    const std::string page = Quote(ExamplePath("taobao-trade-detail.txt"));
    CliRun r = Cli("fill " + page + " " + page + " " + page +
                   " --form freight-bill --with-background --pdf " + Quote(pdf) + " " + Folder());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bytes = Bytes(pdf);
    size_t images = 0;
    for (size_t at = 0; (at = bytes.find("/Subtype /Image", at)) != std::string::npos; ++at)
        ++images;
    EXPECT_EQ(images, 1u);
}

TEST_F(CliTest, InvoiceJsonSequenceNumbersAndSavedDocuments) {
    const std::string save = (dir_ / "docs").string();
    CliRun r = Cli("fill " + Quote(ExamplePath("taobao-order-detail.txt")) + " " +
                   Quote(ExamplePath("taobao-trade-detail.txt")) +
                   " --form invoice --site taobao --invoice-sn 7 --answer yes --json --save " +
                   Quote(save) + " " + Folder());
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string first, second, extra;
    ASSERT_TRUE(std::getline(lines, first));
    ASSERT_TRUE(std::getline(lines, second));
    EXPECT_FALSE(std::getline(lines, extra));
    EXPECT_NE(first.find(u8"发货单号：7"), std::string::npos);
    EXPECT_NE(first.find(u8"[\"2008030712345678\",\"韩版修身羊毛呢大衣 黑色 XL码\",\"2\""),
              std::string::npos);
    EXPECT_NE(first.find(u8"[\"合计\",\"\",\"\",\"\",\"\",\"\",\"404.00\"]"), std::string::npos);
    EXPECT_NE(second.find(u8"发货单号：8"), std::string::npos);
    EXPECT_TRUE(fs::exists(fs::path(save) / "7.pin"));
    EXPECT_TRUE(fs::exists(fs::path(save) / "8.pin"));

    CliRun shown = Cli("show " + Quote((fs::path(save) / "7.pin").string()) + " --json");
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("\"kind\":\"invoice-document\""), std::string::npos);
    EXPECT_NE(shown.out.find(u8"404.00"), std::string::npos);
}

TEST_F(CliTest, ShippingInfoFillsFromTheRecogniserAndSaysWhatItFound) {
    const fs::path info = dir_ / "info.txt", junk = dir_ / "junk.txt";
    ASSERT_TRUE(WriteFileReplacing(info.string(), u8"李丽 86-13166666666\n朝阳区建国路88号"));
    ASSERT_TRUE(WriteFileReplacing(junk.string(), "0000000000000000"));
    CliRun r =
        Cli("fill " + Quote(info.string()) + " --form freight-bill --site info --json " + Folder());
    ASSERT_EQ(r.status, 0) << r.err;  // a doubt is told, not a failure
    EXPECT_NE(r.out.find(u8"\"text\":\"李丽\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(u8"\"recognised\":{\"name\":\"李丽\",\"mobile\":\"13166666666\""),
              std::string::npos);
    EXPECT_NE(r.out.find(u8"\"address\":\"朝阳区 建国路88号\",\"doubts\":[\"“朝阳区”不止一处"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find(u8"“朝阳区”不止一处"), std::string::npos) << r.err;

    CliRun none = Cli("fill " + Quote(junk.string()) + " --form invoice --site info " + Folder());
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find(u8"无法识别的输入文本！"), std::string::npos) << none.err;
}

TEST_F(CliTest, FreightBillWithoutBackgroundIsReportedNotDivided) {
    // A saved document names no picture when its template had none.
    const std::string doc = (dir_ / "nobg.pfb").string();
    fs::remove(folder_ / "FreightBillBGImages" / u8"标准快递单.jpg");
    CliRun r =
        Cli("fill " + Quote(ExamplePath("taobao-order-detail.txt")) +
            " --form freight-bill --pdf " + Quote((dir_ / "x.pdf").string()) + " " + Folder());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(u8"无法打开背景图片文件！"), std::string::npos);
    EXPECT_NE(r.err.find(u8"货运单没有背景图片，无法确定打印比例！"), std::string::npos);
}

TEST_F(CliTest, ShowReadsEveryKindAndReportsDamage) {
    CliRun store = Cli("show " + Quote((folder_ / "FreightBillTemplate.pft").string()) + " --json");
    EXPECT_EQ(store.status, 0) << store.err;
    EXPECT_NE(store.out.find(u8"\"name\":\"标准快递单\""), std::string::npos);
    EXPECT_NE(store.out.find(u8"\"text\":\"{收货人}\""), std::string::npos);
    CliRun config = Cli("show " + Quote((folder_ / "Config.pcf").string()) + " --json");
    EXPECT_NE(config.out.find("\"freightBillTemplate\":0"), std::string::npos);

    // Exchange files built from the starter store's records.
    TemplateStoreLoad fb = LoadFreightBillTemplates(folder_.string());
    TemplateStoreLoad inv = LoadInvoiceTemplates(folder_.string());
    ASSERT_EQ(fb.templates.size(), 1u);
    const std::string jpeg = Bytes(folder_ / "FreightBillBGImages" / u8"标准快递单.jpg");
    const fs::path pff = dir_ / "t.pff", pif = dir_ / "t.PIF";
    ASSERT_TRUE(WriteFileReplacing(
        pff.string(),
        FormatFreightBillExchangeFile(fb.templates[0].name, fb.templates[0].record, jpeg)));
    ASSERT_TRUE(WriteFileReplacing(
        pif.string(), FormatInvoiceExchangeFile(inv.templates[0].name, inv.templates[0].record)));
    CliRun x = Cli("show " + Quote(pff.string()) + " --json");
    EXPECT_EQ(x.status, 0) << x.err;
    EXPECT_NE(x.out.find("\"image\":{\"bytes\":" + std::to_string(jpeg.size()) +
                         ",\"width\":734,\"height\":417}"),
              std::string::npos);
    CliRun y = Cli("show " + Quote(pif.string()));
    EXPECT_EQ(y.status, 0) << y.err;
    EXPECT_NE(y.out.find(u8"标准发货单"), std::string::npos);

    // A store cut inside its second record: the first template is still listed.
    std::string two = Bytes(folder_ / "InvoiceTemplate.pit");
    two += two.substr(18);
    const fs::path cut = dir_ / "cut.pit";
    ASSERT_TRUE(WriteFileReplacing(cut.string(), two.substr(0, two.size() - 40)));
    CliRun damaged = Cli("show " + Quote(cut.string()) + " --json");
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.out.find(u8"标准发货单"), std::string::npos);
    EXPECT_NE(damaged.out.find(u8"有误"), std::string::npos);

    CliRun missing = Cli("show " + Quote((dir_ / "none.pfb").string()));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(Cli("show " + Quote(cut.string()) + " --kind nonsense").status, 2);
}

TEST_F(CliTest, PageWithLfLineEndsFillsAsItsCrLfCopy) {
    std::string page = ExampleBytes("taobao-trade-detail.txt");
    page.erase(std::remove(page.begin(), page.end(), '\r'), page.end());
    const fs::path lf = dir_ / "lf.txt", crlf = dir_ / "crlf.txt";
    std::ofstream(lf, std::ios::binary) << page;
    fs::copy_file(ExamplePath("taobao-trade-detail.txt"), crlf);
    for (const char* form : {"freight-bill", "invoice"}) {
        const std::string args =
            std::string(" --form ") + form + " --json --now '2008-03-09 10:00:00' " + Folder();
        CliRun a = Cli("fill " + Quote(lf.string()) + args);
        CliRun b = Cli("fill " + Quote(crlf.string()) + args);
        EXPECT_EQ(a.status, 0) << form;
        EXPECT_EQ(a.out.substr(a.out.find("\"form\"")), b.out.substr(b.out.find("\"form\"")))
            << form;
    }
}

TEST_F(CliTest, DamageReportedBeforeThePagesIsAFailure) {
    const std::string page = Quote(ExamplePath("taobao-order-detail.txt"));
    // The default template survives a second one cut in its record, but the cut is reported.
    std::string store = Bytes(folder_ / "InvoiceTemplate.pit");
    store += store.substr(18);
    store.resize(store.size() - 40);
    ASSERT_TRUE(WriteFileReplacing((folder_ / "InvoiceTemplate.pit").string(), store));
    CliRun r = Cli("fill " + page + " --form invoice --json " + Folder());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(u8"有误"), std::string::npos);
    EXPECT_NE(r.out.find(u8"张小明"), std::string::npos);

    // Config.pcf gone: a notice, the run goes on with the defaults.
    fs::remove(folder_ / "Config.pcf");
    const std::string given = " --site taobao --invoice-sn 5 --template " + Quote(u8"标准快递单");
    r = Cli("fill " + page + " --form freight-bill " + Folder());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(u8"无法打开配置文件，需创建！"), std::string::npos);
    r = Cli("fill " + page + " --form freight-bill" + given + " " + Folder());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(u8"无法打开配置文件，需创建！"), std::string::npos);
}

TEST_F(CliTest, SaveIntoAFolderNamedWithASlashForOnePage) {
    const fs::path saved = dir_ / "saved";
    CliRun r = Cli("fill " + Quote(ExamplePath("taobao-trade-detail.txt")) +
                   " --form invoice --invoice-sn 42 --save " + Quote(saved.string() + "/") + " " +
                   Folder());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_regular_file(saved / "42.pin"));

    // The sold-goods list leaves keywords; the default answer No declines the save.
    r = Cli("fill " + Quote(ExamplePath("taobao-sold-list.txt")) +
            " --form invoice --invoice-sn 43 --json --save " + Quote(saved.string()) + " " +
            Folder());
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(saved / "43.pin"));
    EXPECT_NE(r.out.find(u8"\"questions\":[{\"caption\":\"提示：有关键字段未被替换！\","
                         u8"\"text\":\"还有关键字段未被替换，继续保存吗？\",\"answer\":\"no\"}]"),
              std::string::npos)
        << r.out;
}

TEST_F(CliTest, VersionAndARunThatFailsBeforeAnyPageLeavesNoFolder) {
    CliRun r = Cli("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "tallivo-cli " TALLIVO_VERSION "\n");

    const fs::path saved = dir_ / "saved";
    r = Cli("fill " + Quote((dir_ / "no-such-page.txt").string()) + " --form freight-bill --save " +
            Quote(saved.string() + "/") + " " + Folder());
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(saved));
}

TEST_F(CliTest, ShowCountsEveryMessageAsAFailure) {
    // An exchange file whose picture is not a JPEG: the import would stop at the decoder.
    TemplateStoreLoad fb = LoadFreightBillTemplates(folder_.string());
    ASSERT_EQ(fb.templates.size(), 1u);
    const fs::path pff = dir_ / "notjpeg.pff";
    ASSERT_TRUE(WriteFileReplacing(
        pff.string(), FormatFreightBillExchangeFile(fb.templates[0].name, fb.templates[0].record,
                                                    "not a picture")));
    CliRun x = Cli("show " + Quote(pff.string()) + " --json");
    EXPECT_EQ(x.status, 1);
    EXPECT_NE(x.out.find("\"image\":null"), std::string::npos);
    EXPECT_FALSE(x.err.empty());

    // The version message names the file by its full path, as the file dialog gives it.
    std::ofstream(dir_ / "old.pif") << "TemplateVer: 0.99";
    const fs::path cwd = fs::current_path();
    fs::current_path(dir_);
    CliRun v = Cli("show old.pif");
    fs::current_path(cwd);
    EXPECT_EQ(v.status, 1);
    EXPECT_NE(
        v.err.find(u8"发货单模板文件" + (dir_ / "old.pif").string() + u8"版本有误，无法读取！"),
        std::string::npos)
        << v.err;

    // An intact store holding a record cut inside its first box.
    std::vector<TemplateEntry> entries = fb.templates;
    entries[0].record.resize(entries[0].record.size() / 2);
    const fs::path pft = dir_ / "cut-record.pft";
    ASSERT_TRUE(WriteFileReplacing(pft.string(), FormatTemplateStore(entries)));
    CliRun s = Cli("show " + Quote(pft.string()) + " --json");
    EXPECT_EQ(s.status, 1);
    EXPECT_NE(s.out.find(u8"\"name\":\"标准快递单\""), std::string::npos);
    EXPECT_NE(s.out.find(u8"有误"), std::string::npos);
}

#if defined(__SANITIZE_ADDRESS__)
#define TALLIVO_CLI_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TALLIVO_CLI_ASAN 1
#endif
#endif

TEST_F(CliTest, PageTooLargeForMemoryFailsAloneWithoutAnAbort) {
#ifdef TALLIVO_CLI_ASAN
    GTEST_SKIP() << "the sanitizer's shadow memory does not fit under a memory limit";
#endif
    const fs::path big = dir_ / "big.txt";
    std::ofstream(big).put('x');
    fs::resize_file(big, std::uintmax_t{1} << 30);  // sparse: no disk is used
    const CliRun r = testing::RunShell(
        "ulimit -v 400000; " + Quote(TALLIVO_CLI) + " fill " + Quote(big.string()) + " " +
        Quote(ExamplePath("taobao-order-detail.txt")) + " --form invoice --json " + Folder());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(u8"无法分配内存空间！"), std::string::npos);
    const std::string& out = r.out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2);
}

TEST_F(CliTest, UnrecognisedPageIsAFailureButTheBatchGoesOn) {
    const fs::path junk = dir_ / "junk.txt";
    std::ofstream(junk) << "hello\r\n";
    CliRun r =
        Cli("fill " + Quote(junk.string()) + " " + Quote(ExamplePath("taobao-trade-detail.txt")) +
            " --form invoice --json " + Folder());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(u8"无法识别的输入文本！"), std::string::npos);
    EXPECT_NE(r.out.find(u8"小马哥数码店"), std::string::npos);
    EXPECT_EQ(Cli("fill " + Quote(ExamplePath("taobao-trade-detail.txt"))).status, 2);
}

}  // namespace
}  // namespace tallivo
