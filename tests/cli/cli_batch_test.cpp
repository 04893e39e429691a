// Batches across runs: sequence numbers, documents of earlier runs, and the workspace and the
// command line writing the same documents.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "cli/cli_fixture.h"
#include "cli/cli_io.h"
#include "forms/workspace.h"
#include "pdf_words.h"
#include "recording_prompter.h"
#include "storage/config_file.h"
#include "storage/file_io.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

namespace fs = std::filesystem;

using testing::ExampleBytes;
using testing::ExamplePath;
using testing::Quote;

class CliBatch : public testing::CliFolderTest {
protected:
    // Exit status; standard output in out_.
    int Cli(const std::string& args) {
        const testing::CliRun run =
            testing::RunShell(Quote(TALLIVO_CLI) + " " + args + " --folder " +
                              Quote(folder_.string()) + " 2>/dev/null");
        out_ = run.out;
        return run.status;
    }
    Config ReadConfig() { return LoadConfig(folder_.string()).config; }

    std::string out_;
};

TEST_F(CliBatch, RunsGoOnFromTheNumbersOfTheLastAndNeverReplaceUnasked) {
    const fs::path saved = dir_ / "saved";
    const std::string save = " --form freight-bill --save " + Quote(saved.string() + "/");
    const Config before = ReadConfig();
    const std::int32_t sn = before.freightBillSn;
    ASSERT_EQ(Cli(Quote(ExamplePath("taobao-order-detail.txt")).insert(0, "fill ") + save), 0);
    EXPECT_EQ(ReadConfig().freightBillSn, sn + 1);
    EXPECT_EQ(ReadConfig().defaultFreightBill, before.defaultFreightBill);
    ASSERT_EQ(Cli("fill " + Quote(ExamplePath("taobao-trade-detail.txt")) + save), 0);
    const fs::path first = saved / (std::to_string(sn) + ".pfb");
    const fs::path second = saved / (std::to_string(sn + 1) + ".pfb");
    ASSERT_TRUE(fs::exists(first));
    ASSERT_TRUE(fs::exists(second));
    const std::string firstBytes = Bytes(first);
    EXPECT_NE(firstBytes, Bytes(second));

    // Numbers put back by hand: the old document stays unless the answer is yes.
    ASSERT_TRUE(SaveConfig(folder_.string(), before).ok);
    EXPECT_EQ(Cli("fill " + Quote(ExamplePath("taobao-trade-detail.txt")) + save), 1);
    EXPECT_EQ(Bytes(first), firstBytes);
    EXPECT_EQ(Cli("fill " + Quote(ExamplePath("taobao-trade-detail.txt")) + save + " --answer yes"),
              0);
    EXPECT_EQ(Bytes(first), Bytes(second));
}

TEST_F(CliBatch, SequenceNumbersStopAtTheLargest) {
    Config config = ReadConfig();
    config.invoiceSn = INT32_MAX - 1;
    ASSERT_TRUE(SaveConfig(folder_.string(), config).ok);
    const std::string page = Quote(ExamplePath("taobao-trade-detail.txt"));
    const fs::path saved = dir_ / "saved";
    EXPECT_EQ(Cli("fill " + page + " " + page + " " + page +
                  " --form invoice --answer yes --save " + Quote(saved.string())),
              0);
    EXPECT_TRUE(fs::exists(saved / "2147483646.pin"));
    EXPECT_TRUE(fs::exists(saved / "2147483647.pin"));
    EXPECT_EQ(std::distance(fs::directory_iterator(saved), fs::directory_iterator()), 2);
    EXPECT_EQ(ReadConfig().invoiceSn, INT32_MAX);
}

TEST_F(CliBatch, UnreadableTemplateStillGivesOneObjectPerPage) {
    const fs::path bad = dir_ / "bad.pff";
    ASSERT_TRUE(WriteFileReplacing(bad.string(), "not an exchange file"));
    const std::string page = Quote(ExamplePath("taobao-order-detail.txt"));
    EXPECT_EQ(Cli("fill " + page + " " + page + " --form freight-bill --json --template " +
                  Quote(bad.string())),
              1);
    EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), 2) << out_;
    EXPECT_NE(out_.find(u8"版本有误，无法读取！"), std::string::npos) << out_;
}

// The window and the command line drive the same workspace: same page, same documents.
TEST_F(CliBatch, WorkspaceAndCommandLineWriteIdenticalDocuments) {
    for (const Tab tab : {kTabFreightBill, kTabInvoice}) {
        const bool freight = tab == kTabFreightBill;
        const std::string ext = freight ? ".pfb" : ".pin";
        const fs::path viaCli = dir_ / ("cli" + ext);
        const fs::path viaWorkspace = dir_ / ("ws" + ext);
        const char* page = "taobao-order-detail.txt";

        testing::RecordingPrompter prompter;
        FormsWorkspace ws(folder_.string(), &prompter, nullptr);
        ws.Start();
        ws.PageControlPrintChange(tab);
        ws.SetClock(CaptureTime{2026, 12, 7, 10, 0, 0});
        ws.SetInputText(PageTextToGbk(ExampleBytes(page)));
        ws.ReplaceAll();
        ASSERT_TRUE(ws.SaveDocumentTo(viaWorkspace.string()));

        ASSERT_EQ(Cli("fill " + Quote(ExamplePath(page)) + " --now '2026-12-07 10:00:00' --form " +
                      (freight ? "freight-bill" : "invoice") + " --save " + Quote(viaCli.string())),
                  0);
        EXPECT_EQ(Bytes(viaCli), Bytes(viaWorkspace)) << ext;
    }
}

TEST_F(CliBatch, CalibrationPageAsAPdf) {
    const fs::path pdf = dir_ / "calibration.pdf";
    ASSERT_EQ(Cli("calibrate --pdf " + Quote(pdf.string())), 0);
    double x = 0, y = 0;
    EXPECT_TRUE(testing::WordBox(pdf.string(), "10,10", &x, &y));
    EXPECT_EQ(Cli("calibrate"), 2);  // neither --pdf nor --print
    EXPECT_EQ(Cli("calibrate page.txt --pdf " + Quote(pdf.string())), 2);
}

}  // namespace
}  // namespace tallivo
