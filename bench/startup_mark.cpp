// Loaded into a program under measurement (QT_QPA_GENERIC_PLUGINS=startupmark): writes the
// monotonic clock and the process's CPU time, in nanoseconds, to $STARTUP_MARK once the first
// top-level window has been painted and flushed to the X server, and nothing else. The same for
// every program measured.
// With $HANDOVER_MARK set it also puts the text of $HANDOVER_PAGE on the clipboard and writes the
// monotonic clock there each time the input memo receives a page (bench/handover.sh).
#include <time.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGenericPlugin>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>

namespace {

qint64 Nanoseconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void WatchTheMemo(QWidget* window) {
    auto* memo = window->findChild<QPlainTextEdit*>(QStringLiteral("MemoInputText"));
    if (!memo || qEnvironmentVariableIsEmpty("HANDOVER_MARK")) return;
    QFile page(qEnvironmentVariable("HANDOVER_PAGE"));
    if (page.open(QIODevice::ReadOnly))
        QGuiApplication::clipboard()->setText(QString::fromUtf8(page.readAll()));
    QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [memo] {
        if (memo->document()->isEmpty()) return;
        QFile mark(qEnvironmentVariable("HANDOVER_MARK"));
        if (mark.open(QIODevice::WriteOnly))
            mark.write(QByteArray::number(Nanoseconds(CLOCK_MONOTONIC)));
    });
}

class FirstPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            seen_ = true;
            WatchTheMemo(static_cast<QWidget*>(watched));
            // Painting and the flush finish before the event loop takes the next posted event.
            QTimer::singleShot(0, this, [] {
                timespec now{};
                timespec cpu{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
                QFile mark(qEnvironmentVariable("STARTUP_MARK"));
                if (mark.open(QIODevice::WriteOnly))
                    mark.write(QByteArray::number(qint64(now.tv_sec) * 1000000000 + now.tv_nsec) +
                               ' ' +
                               QByteArray::number(qint64(cpu.tv_sec) * 1000000000 + cpu.tv_nsec));
            });
        }
        return false;
    }

private:
    bool seen_ = false;
};

}  // namespace

class StartupMarkPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "startup_mark.json")
public:
    QObject* create(const QString&, const QString&) override {
        auto* filter = new FirstPaint(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(filter);
        return filter;
    }
};

#include "startup_mark.moc"
