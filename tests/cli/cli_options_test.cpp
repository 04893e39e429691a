#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include "cli/cli_io.h"
#include "cli/json_writer.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

ParseOutcome Parse(std::vector<std::string> args) {
    return ParseCommandLine(args);
}

TEST(CliOptionsTest, FillTakesEveryOption) {
    ParseOutcome p = Parse({"fill",
                            "a.txt",
                            "--form",
                            "invoice",
                            "b.txt",
                            "--folder",
                            "/x",
                            "--site=paipai",
                            "--template",
                            "T",
                            "--answer",
                            "yes",
                            "--now",
                            "2008-03-07 09:05:30",
                            "--invoice-sn",
                            "-3",
                            "--save",
                            "out",
                            "--pdf",
                            "o.pdf",
                            "--dpi",
                            "300",
                            "--with-background",
                            "--json"});
    ASSERT_TRUE(p.command) << p.error;
    const FillOptions& f = p.command->fill;
    EXPECT_EQ(f.pages, (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(f.form, FormKind::kInvoice);
    EXPECT_EQ(f.site, kSitePaipai);
    EXPECT_TRUE(f.answerYes);
    ASSERT_TRUE(f.now);
    EXPECT_EQ(f.now->second, 30);
    EXPECT_EQ(f.invoiceSn, -3);
    EXPECT_EQ(f.dpi, 300);
    EXPECT_TRUE(f.withBackground && f.json);
}

TEST(CliOptionsTest, UsageErrors) {
    EXPECT_FALSE(Parse({}).command);
    EXPECT_FALSE(Parse({"print"}).command);
    EXPECT_FALSE(Parse({"fill", "a.txt"}).command);              // no --form
    EXPECT_FALSE(Parse({"fill", "--form", "invoice"}).command);  // no page
    EXPECT_FALSE(Parse({"fill", "a", "--form", "bill"}).command);
    EXPECT_FALSE(Parse({"fill", "a", "--form", "invoice", "--dpi", "0"}).command);
    EXPECT_FALSE(Parse({"fill", "a", "--form", "invoice", "--dpi", "600x"}).command);
    EXPECT_FALSE(Parse({"fill", "a", "--form", "invoice", "--invoice-sn", "99999999999"}).command);
    EXPECT_FALSE(Parse({"fill", "a", "--form", "invoice", "--now", "2008-13-07 09:05:30"}).command);
    EXPECT_FALSE(Parse({"fill", "a", "--form", "invoice", "--now", "2008-3-7 9:5:30"}).command);
    EXPECT_FALSE(ParseClock("2007-02-29 00:00:00"));
    EXPECT_FALSE(ParseClock("2008-04-31 00:00:00"));
    EXPECT_TRUE(ParseClock("2008-02-29 23:59:59"));
    EXPECT_TRUE(ParseClock("2000-02-29 00:00:00"));
    EXPECT_FALSE(ParseClock("1900-02-29 00:00:00"));
    EXPECT_FALSE(Parse({"fill", "a", "--form", "invoice", "--answer"}).command);
    EXPECT_FALSE(Parse({"fill", "a", "--form", "invoice", "--json=1"}).command);
    EXPECT_FALSE(Parse({"show", "notes.txt"}).command);  // kind unknown
    EXPECT_FALSE(Parse({"show", "a.pft", "b.pft"}).command);
    EXPECT_FALSE(Parse({"show", "a.pft", "--kind", "store"}).command);
}

TEST(CliOptionsTest, ShowKindFromNameOrOption) {
    EXPECT_EQ(Parse({"show", "dir/CONFIG.PCF"}).command->show.kind, "config");
    EXPECT_EQ(Parse({"show", "x.PfB"}).command->show.kind, "freight-bill-document");
    EXPECT_EQ(Parse({"show", "x.pif"}).command->show.kind, "invoice-exchange");
    EXPECT_EQ(Parse({"show", "dump.bin", "--kind", "invoice-store"}).command->show.kind,
              "invoice-store");
    EXPECT_EQ(KindFromFileName("a.b/noext"), "");
}

TEST(CliIoTest, PagesInEitherEncodingBecomeGbk) {
    const std::string gbk = Gbk(u8"收货人：张小明\r\n");
    EXPECT_EQ(PageTextToGbk(gbk), gbk);
    EXPECT_EQ(PageTextToGbk(u8"收货人：张小明\r\n"), gbk);
    EXPECT_EQ(PageTextToGbk("\xEF\xBB\xBF" + std::string(u8"收货人：张小明\r\n")), gbk);
    EXPECT_EQ(PageTextToGbk("plain ascii"), "plain ascii");
    // Bare LF line ends, as files on Linux have them, become the pasted page's CR LF.
    EXPECT_EQ(PageTextToGbk(u8"收货人：张小明\n"), gbk);
    EXPECT_EQ(PageTextToGbk(Gbk(u8"收货人：\n张小明\r\n")), Gbk(u8"收货人：\r\n张小明\r\n"));
    EXPECT_EQ(PageTextToGbk("\na\r\n\n"), "\r\na\r\n\r\n");
}

TEST(JsonWriterTest, EscapesAndNests) {
    JsonWriter w;
    w.BeginObject();
    w.Key("a");
    w.BeginArray();
    w.String("q\"\\\n\x01");
    w.String("\xFF\xE4\xB8");  // not UTF-8: each stray byte is replaced
    w.Int(-5);
    w.Null();
    w.EndArray();
    w.Key("b");
    w.Bool(true);
    w.EndObject();
    EXPECT_EQ(w.Text(),
              "{\"a\":[\"q\\\"\\\\\\n\\u0001\",\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\",-5,null],"
              "\"b\":true}");
}

}  // namespace
}  // namespace tallivo
