// The auto-check monitor: while the game runs it polls the selected galaxy
// file on a timer and announces, one message box each, the planets of the
// systems appended to it that reach the thresholds its opener hands it.
#pragma once

#include "galaxy/PlanetLine.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QTimer;

namespace platform {
class Platform;
}

namespace galaxy {
class GalaxyFile;
struct SystemRecord;
} // namespace galaxy

class frmAutoCheck : public QWidget {
    Q_OBJECT

public:
    // The two threshold texts as they stand, Hab first.
    struct ThresholdTexts {
        QString hab;
        QString met;
    };
    // Where the monitor reads its thresholds on every tick: the texts of the
    // main window's threshold fields, or nothing once those are gone, and the
    // thresholds read last then stay in use. Without a source they stay 0.
    using ThresholdSource = std::function<std::optional<ThresholdTexts>()>;

    // Shows the monitor, modeless, reading its thresholds from the source and
    // asking and telling the user through the desktop's services; one that is
    // open already is only brought forward and keeps its baseline, its source
    // and its state.
    static frmAutoCheck* Show(platform::Platform& desktop, ThresholdSource thresholds);

    // End of the last system announced (or known when the monitor first saw
    // the file): every whole record after it is new.
    qint64 plngOldFileSize = 0;

    QLabel* lblAutoCheck = nullptr;
    QLabel* lbltxtDelay = nullptr;
    QLabel* lblDelay = nullptr;
    QLabel* imgShip1 = nullptr;
    QLabel* lblFileSize = nullptr;
    QLabel* lblSize = nullptr;
    QPushButton* cmdStartStop = nullptr;
    QTimer* tmrChecking = nullptr;

    // The delay between two ticks, in milliseconds; 0 means no ticks.
    int delay() const { return m_delay; }
    // Whether the monitor is running (the timer is enabled): its Start/Stop
    // button says "Stop".
    bool running() const;
    // The thresholds of the latest tick.
    galaxy::Thresholds thresholds() const { return m_thresholds; }

public slots:
    void cmdStartStop_Click();
    void tmrChecking_Timer();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmAutoCheck(platform::Platform& desktop, ThresholdSource thresholds, QWidget* parent = nullptr);
    void Form_Load();
    int askDelay();
    void setRunning(bool on);
    void applyTimer();
    void moveShip(int twips);
    void placeDelay();
    void readThresholds();
    bool reportAppendedRecords(const galaxy::GalaxyFile& file, const QString& path, qint64 size);
    bool announceRecord(const galaxy::SystemRecord& record);

    platform::Platform& m_desktop;
    QString m_baselinePath; // the galaxy file plngOldFileSize belongs to
    ThresholdSource m_thresholdSource;
    galaxy::Thresholds m_thresholds;
    int m_delay = 0;
    bool m_ticking = false;
    int m_shipLeft = 0; // in twips
};
