// startupprobe: a Qt generic plugin that the start-up benchmark loads into the
// program it measures (QT_QPA_GENERIC_PLUGINS=startupprobe), so that the
// program itself is measured unchanged. Once the first paint of a window has
// been drawn and flushed, it writes the moment on the monotonic clock and the
// window's object name to the file named by STARTUP_PROBE_REPORT, and ends
// the program.
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGenericPlugin>
#include <QTimer>
#include <QWidget>

#include <ctime>

namespace {

class Probe : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->isWindow()) {
            m_seen = true;
            m_window = watched->objectName();
            // Posted, so that it runs once the paint has been drawn and flushed.
            QTimer::singleShot(0, this, &Probe::report);
        }
        return false;
    }

private:
    void report()
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const qint64 nanoseconds = qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
        QFile file(qEnvironmentVariable("STARTUP_PROBE_REPORT"));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(QByteArray::number(nanoseconds) + ' ' + m_window.toUtf8() + '\n');
        }
        QCoreApplication::exit(0);
    }

    bool m_seen = false;
    QString m_window;
};

} // namespace

class StartupProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe.json")

public:
    QObject* create(const QString& key, const QString&) override
    {
        if (key.compare(QLatin1String("startupprobe"), Qt::CaseInsensitive) != 0
            || QCoreApplication::instance() == nullptr) {
            return nullptr;
        }
        auto* probe = new Probe;
        QCoreApplication::instance()->installEventFilter(probe);
        return probe;
    }
};

#include "probe.moc"
