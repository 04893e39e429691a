// Loaded into a program under measurement (QT_QPA_GENERIC_PLUGINS=startupmark): writes the
// monotonic clock and the process's CPU time, in nanoseconds, to $STARTUP_MARK once the first
// top-level window has been painted and flushed to the X server, and nothing else. The same for
// every program measured.
#include <time.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGenericPlugin>
#include <QTimer>
#include <QWidget>

namespace {

class FirstPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            seen_ = true;
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
