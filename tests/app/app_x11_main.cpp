// GoogleTest main for the window tests that depend on focus, activation or the clipboard: a
// QApplication on a private Xvfb, never on offscreen, where those faults would not show.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

#include "richtext/template_fonts.h"
#include "support/xvfb_display.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests at build time needs no display.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    tallivo::testing::XvfbDisplay display;
    if (!display.Ready()) {
        std::fprintf(stderr, "%s\n", display.Error().c_str());
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    tallivo::InstallTemplateFontStandIns();
    return RUN_ALL_TESTS();
}
