// tallivo-cli fill --orders FILE.txt: pasted consignees, one order and page each.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "order_exports.h"
#include "pdf_words.h"
#include "support/cli_run.h"
#include "support/example_files.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

TEST(CliConsignees, OnePagePerConsigneeInTextOrderAndNoneStopsBeforeAnyPage) {
    QTemporaryDir dir;
    ASSERT_TRUE(testing::CopyStarter(dir.path()));
    const auto cli = [&](const QString& txt, const QString& pdf) {
        return testing::RunProgram(QStringLiteral(TALLIVO_CLI),
                                   {"fill", "--orders", txt, "--form", "freight-bill", "--json",
                                    "--pdf", pdf, "--folder", dir.path()});
    };
    const QString txt = dir.filePath(QStringLiteral("chat.txt"));
    testing::WriteBytes(txt.toStdString(), Gbk(u8"李丽 13166666666 上海市黄浦区南苏州路333号\n"
                                               u8"王五 13912345678 朝阳区建国路88号\n"));
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    testing::CliRun run = cli(txt, pdf);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.Lines().size(), 2);
    EXPECT_TRUE(run.Lines()[0].contains(u"\"order\":1,\"trade\":\"\""));
    EXPECT_TRUE(run.Lines()[0].contains(u"\"recognised\":{\"name\":\"李丽\""));
    EXPECT_TRUE(run.Lines()[1].contains(u"\"doubts\":[\"“朝阳区”不止一处"));
    EXPECT_TRUE(run.Err().contains(u"朝阳区")) << run.err;
    const testing::PdfText text = testing::ReadPdfText(pdf);
    EXPECT_EQ(text.pages, 2);

    testing::WriteBytes(txt.toStdString(), u8"谢谢老板\n");
    QFile::remove(pdf);
    run = cli(txt, pdf);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.Err().contains(u"no consignee found")) << run.err;
    EXPECT_TRUE(run.Lines().isEmpty());
    EXPECT_FALSE(QFile::exists(pdf));
}

}  // namespace
}  // namespace tallivo
