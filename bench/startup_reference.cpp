// The yardstick for start-up: an empty main window showing one Chinese label, so that the CJK
// fonts are loaded as in any Chinese window, started as tallivo is.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QString::fromUtf8(u8"货运单"), &window));
    window.show();
    return QApplication::exec();
}
