// GoogleTest main for the browser layer: a QCoreApplication, and a private runtime folder so that
// the channels of the tests never meet a real Tallivo of the user.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    QTemporaryDir runtime;
    if (!runtime.isValid()) return 2;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
