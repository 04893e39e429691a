#include "browser/capture_page.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace tallivo::browser {
namespace {

std::string Golden(const std::string& name) {
    std::ifstream in(std::string(TALLIVO_BROWSER_GOLDEN) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The golden files were built from the page's listed lines, apart from this code.
TEST(CapturePage, MatchesTheGoldenBytes) {
    const std::string blanks = Golden("capture_page_blanks.htm");
    ASSERT_FALSE(blanks.empty());
    EXPECT_EQ(CapturePageBytes("C:\\Program Files\\My Shop Tools\\Tallivo.exe"), blanks);
    EXPECT_EQ(CapturePageBytes("D:\\Tallivo.exe"), Golden("capture_page_drive_root.htm"));

    std::size_t lines = 0;
    for (std::size_t at = blanks.find("\r\n"); at != std::string::npos;
         at = blanks.find("\r\n", at + 2)) {
        ++lines;
    }
    EXPECT_EQ(lines, 33u);
    EXPECT_NE(
        blanks.find("  exec('C:/Program Files/My Shop Tools/Tallivo.exe From Web Page');\r\n"),
        std::string::npos);
}

TEST(CapturePage, OnlyBackslashCharactersTurnIntoSlashes) {
    // 0x81 0x5C is one GBK character whose trail byte is a backslash's.
    const std::string page = CapturePageBytes("C:\\\x81\x5C\\t.exe");
    EXPECT_NE(page.find("  exec('C:/\x81\x5C/t.exe From Web Page');"), std::string::npos);
}

TEST(CapturePage, PathGetsOneSeparator) {
    EXPECT_EQ(CapturePagePath("C:\\", '\\'), "C:\\CapturePage.htm");
    EXPECT_EQ(CapturePagePath("C:\\Shop\\Tool", '\\'), "C:\\Shop\\Tool\\CapturePage.htm");
    EXPECT_EQ(CapturePagePath("C:\\\x81\x5C", '\\'), "C:\\\x81\x5C\\CapturePage.htm");
    EXPECT_EQ(CapturePagePath("/", '/'), "/CapturePage.htm");
    EXPECT_EQ(CapturePagePath("/opt/tallivo", '/'), "/opt/tallivo/CapturePage.htm");
}

}  // namespace
}  // namespace tallivo::browser
