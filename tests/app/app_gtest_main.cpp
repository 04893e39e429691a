// GoogleTest main for the windows' tests: a QApplication on the offscreen platform unless
// another is asked for.
#include <gtest/gtest.h>

#include <QApplication>

#include "richtext/template_fonts.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tallivo::InstallTemplateFontStandIns();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
