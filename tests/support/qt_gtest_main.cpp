// GoogleTest main for tests that need a QGuiApplication (fonts, images, painting); runs
// headless on the offscreen platform unless another is asked for.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "richtext/template_fonts.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // Documents are drawn with the fonts the programs draw them with.
    tallivo::InstallTemplateFontStandIns();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
