#include "frmAutoCheck.h"

#include "WindowLook.h"
#include "galaxy/GalaxyFile.h"
#include "galaxy/GalaxyFormat.h"
#include "galaxy/RecordStream.h"
#include "galaxy/TypedNumbers.h"
#include "platform/Platform.h"
#include "platform/Regional.h"
#include "platform/VersionRecord.h"
#include "state/Declare.h"
#include "widgets/OneWindow.h"
#include "widgets/Twips.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

namespace {

constexpr int kClientWidth = 4680;
constexpr int kClientHeight = 1530;

// The ship creeps 120 twips per tick and starts again at the left once it
// reaches 3960: a cycle of 32 ticks.
constexpr int kShipStart = 120;
constexpr int kShipStep = 120;
constexpr int kShipEnd = 3960;
constexpr int kShipTop = 480;
constexpr int kShipSize = 480;

constexpr int kMaxDelay = 60000;
const QString kStart = QStringLiteral("Start");
const QString kStop = QStringLiteral("Stop");
const QString kDelayPrompt = QStringLiteral("Please enter the delay in seconds between  each check (Max 60 Secs)");
const QString kDelayTitle = QStringLiteral("Delay");

// The end of the last whole record in a file of this size: where the next
// record the game writes begins.
qint64 RecordBoundary(qint64 size)
{
    return static_cast<qint64>(galaxy::EndOfWholeRecords(static_cast<std::uint64_t>(std::max<qint64>(size, 0))));
}

// The delay in seconds, in its shortest decimal form, and " secs".
QString DelayText(int milliseconds)
{
    const std::string seconds = galaxy::SecondsText(milliseconds, platform::DecimalSeparator());
    return QString::fromLatin1(seconds.data(), static_cast<qsizetype>(seconds.size())) + QStringLiteral(" secs");
}

QString CurrentGalaxyPath()
{
    return Declare::pstrCurrentGalaxyFile.isEmpty() ? QString() : Declare::GalaxyPath(Declare::pstrCurrentGalaxyFile);
}

QLabel* Label(QWidget* parent, const QString& name, const QString& text, QRect geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

} // namespace

frmAutoCheck* frmAutoCheck::Show(platform::Platform& desktop, ThresholdSource thresholds)
{
    return look::OneWindow<frmAutoCheck>::Show([&] { return new frmAutoCheck(desktop, std::move(thresholds)); });
}

frmAutoCheck::frmAutoCheck(platform::Platform& desktop, ThresholdSource thresholds, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_desktop(desktop),
      m_thresholdSource(std::move(thresholds))
{
    setObjectName(QStringLiteral("frmAutoCheck"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("AutoChecking..."));
    setWindowIcon(look::ProgramIcon());
    setFixedSize(twips::Size(kClientWidth, kClientHeight));
    // Light grey words on the dark of space, as in the other windows.
    QPalette space = palette();
    space.setColor(QPalette::Window, look::kSpace);
    space.setColor(QPalette::WindowText, look::kLightGrey);
    setPalette(space);
    setAutoFillBackground(true);
    setFont(look::DialogFont());

    lblAutoCheck = Label(this, QStringLiteral("lblAutoCheck"), QStringLiteral("Auto Checking for new planets...   "),
                         twips::Rect(240, 120, 2415, 255));
    lbltxtDelay =
        Label(this, QStringLiteral("lbltxtDelay"), QStringLiteral("Delay:"), twips::Rect(3360, 120, 615, 255));
    // As wide as the window leaves it, 840 twips rather than 615, so that a
    // delay such as "1.5 secs" shows whole in the program's font.
    lblDelay = Label(this, QStringLiteral("lblDelay"), QString(), twips::Rect(3840, 120, 840, 255));
    placeDelay();
    for (QLabel* label : {lbltxtDelay, lblDelay}) {
        label->installEventFilter(this);
    }
    imgShip1 =
        Label(this, QStringLiteral("imgShip1"), QString(), twips::Rect(kShipStart, kShipTop, kShipSize, kShipSize));
    imgShip1->setScaledContents(true);
    look::KeepSharp(imgShip1, [this](qreal ratio) {
        return look::Picture(QStringLiteral("monitor/ship"), imgShip1->size(), ratio, Qt::transparent);
    });
    lblFileSize =
        Label(this, QStringLiteral("lblFileSize"), QStringLiteral("File Size:"), twips::Rect(120, 1200, 735, 255));
    lblSize = Label(this, QStringLiteral("lblSize"), QString(), twips::Rect(840, 1200, 735, 255));
    cmdStartStop = new QPushButton(kStart, this);
    cmdStartStop->setObjectName(QStringLiteral("cmdStartStop"));
    cmdStartStop->setGeometry(twips::Rect(1680, 1080, 1455, 375));
    cmdStartStop->setAutoDefault(false);
    cmdStartStop->setFocus();

    tmrChecking = new QTimer(this);
    tmrChecking->setObjectName(QStringLiteral("tmrChecking"));

    connect(cmdStartStop, &QPushButton::clicked, this, &frmAutoCheck::cmdStartStop_Click);
    connect(tmrChecking, &QTimer::timeout, this, &frmAutoCheck::tmrChecking_Timer);

    Form_Load();
}

// The delay's box begins where the box of "Delay:" still runs; the delay
// stands a blank's width after that word as it is drawn.
void frmAutoCheck::placeDelay()
{
    const QFontMetrics metrics(lbltxtDelay->font());
    const int wordEnd = lbltxtDelay->x() + lbltxtDelay->contentsRect().left()
                        + metrics.horizontalAdvance(lbltxtDelay->text()) + metrics.horizontalAdvance(QLatin1Char(' '));
    const int indent = std::max(0, wordEnd - lblDelay->x());
    if (lblDelay->indent() != indent) {
        lblDelay->setIndent(indent);
    }
}

bool frmAutoCheck::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == lbltxtDelay || watched == lblDelay) && event->type() == QEvent::FontChange) {
        placeDelay();
    }
    return QWidget::eventFilter(watched, event);
}

void frmAutoCheck::Form_Load()
{
    m_shipLeft = kShipStart;
    readThresholds();
    // The systems in the file now are known; only those appended later are
    // announced. Without a readable file the first tick that reads one takes
    // the baseline instead.
    const QString path = CurrentGalaxyPath();
    galaxy::GalaxyFile file;
    std::uint64_t size = 0;
    if (!path.isEmpty() && file.open(Declare::FsPath(path), galaxy::GalaxyFile::Mode::ReadShared).ok()
        && file.length(size).ok()) {
        m_baselinePath = path;
        plngOldFileSize = RecordBoundary(static_cast<qint64>(size));
    }
}

void frmAutoCheck::cmdStartStop_Click()
{
    if (running()) {
        setRunning(false);
        return;
    }
    // The previous delay goes on ticking while the prompt is open.
    setRunning(true);
    const QPointer<frmAutoCheck> alive(this);
    const int delay = askDelay();
    if (!alive) {
        return;
    }
    m_delay = delay;
    applyTimer();
    lblDelay->setText(DelayText(m_delay));
}

int frmAutoCheck::askDelay()
{
    // The prompt comes back until the answer is a delay of 0 to 60 seconds.
    // Cancel, an empty answer or one without a number mean 0.
    const QPointer<frmAutoCheck> alive(this);
    for (;;) {
        const std::optional<QString> answer = m_desktop.inputBox(this, kDelayPrompt, kDelayTitle, QString());
        if (!alive) {
            return 0;
        }
        const std::optional<std::int32_t> milliseconds =
            galaxy::ToInt32(galaxy::LeadingNumber(answer.value_or(QString()).toStdString()) * 1000.0);
        if (milliseconds && *milliseconds >= 0 && *milliseconds <= kMaxDelay) {
            return *milliseconds;
        }
    }
}

bool frmAutoCheck::running() const
{
    return cmdStartStop->text() == kStop;
}

// The caption of Start/Stop is the monitor's state: "Stop" while it runs.
void frmAutoCheck::setRunning(bool on)
{
    cmdStartStop->setText(on ? kStop : kStart);
    applyTimer();
}

void frmAutoCheck::applyTimer()
{
    // An enabled timer with a delay of 0 never fires.
    tmrChecking->setInterval(m_delay);
    if (running() && m_delay > 0) {
        tmrChecking->start();
    } else {
        tmrChecking->stop();
    }
}

void frmAutoCheck::closeEvent(QCloseEvent* e)
{
    setRunning(false);
    QWidget::closeEvent(e);
}

void frmAutoCheck::moveShip(int twips)
{
    m_shipLeft = twips;
    imgShip1->move(twips::Point(m_shipLeft, kShipTop));
}

void frmAutoCheck::readThresholds()
{
    // Once the threshold fields are gone the thresholds read last stay in use.
    const std::optional<ThresholdTexts> texts = m_thresholdSource ? m_thresholdSource() : std::nullopt;
    // A threshold beyond the 16-bit range is held at its end.
    if (texts) {
        m_thresholds =
            galaxy::ThresholdsOf(texts->hab.toStdString(), texts->met.toStdString(), galaxy::OutOfRange::Clamped)
                .value_or(m_thresholds);
    }
}

void frmAutoCheck::tmrChecking_Timer()
{
    // One polling pass at a time: a tick that falls due while an earlier one
    // still shows its messages is skipped.
    if (m_ticking) {
        return;
    }
    m_ticking = true;

    // A handle of the monitor's own for this tick, closed when it ends.
    const QString path = CurrentGalaxyPath();
    galaxy::GalaxyFile file;
    const bool opened = !path.isEmpty() && file.open(Declare::FsPath(path), galaxy::GalaxyFile::Mode::ReadShared).ok();
    moveShip(m_shipLeft + kShipStep);
    readThresholds();
    std::uint64_t size = 0;
    const bool measured = opened && file.length(size).ok();
    lblSize->setText(measured ? QString::number(size) : QString());
    if (measured && !reportAppendedRecords(file, path, static_cast<qint64>(size))) {
        return; // the monitor was closed while a message was up
    }
    if (m_shipLeft >= kShipEnd) {
        moveShip(kShipStart);
    }
    m_ticking = false;
}

bool frmAutoCheck::reportAppendedRecords(const galaxy::GalaxyFile& file, const QString& path, qint64 size)
{
    if (path != m_baselinePath) {
        // A galaxy seen for the first time: what it holds now is known.
        m_baselinePath = path;
        plngOldFileSize = RecordBoundary(size);
        return true;
    }
    if (size < plngOldFileSize) {
        // The file was cut back: new systems are those written after its end.
        plngOldFileSize = RecordBoundary(size);
        return true;
    }
    // Only whole records, as far as the file reached when it was measured: one
    // the game is still writing waits for a later tick.
    const std::uint64_t records = galaxy::WholeRecordCount(static_cast<std::uint64_t>(size))
                                  - galaxy::WholeRecordCount(static_cast<std::uint64_t>(plngOldFileSize));
    galaxy::RecordStream stream(file, static_cast<std::uint64_t>(plngOldFileSize));
    for (std::uint64_t k = 0; k < records; ++k) {
        const galaxy::SystemRecord* record = nullptr;
        if (!stream.next(record).ok() || record == nullptr) {
            break; // unreadable now; the next tick tries again
        }
        if (!announceRecord(*record)) {
            return false;
        }
        plngOldFileSize = static_cast<qint64>(stream.offset());
    }
    return true;
}

// One message each for the record's planets that reach the thresholds; false
// when the monitor was closed while one was up. A value whose hundredfold
// leaves the single range is no planet's and is not announced.
bool frmAutoCheck::announceRecord(const galaxy::SystemRecord& record)
{
    const QPointer<frmAutoCheck> alive(this);
    const QString title = platform::Version().productName;
    const char separator = platform::DecimalSeparator();
    const auto announce = [&](int slot, float hab, float met) {
        const std::string line = galaxy::PlanetLineText(record.systemNumber(), slot, hab, met, nullptr, separator);
        m_desktop.messageBox(this, platform::MessageIcon::None, platform::MessageButtons::Ok, title,
                             QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
        return !alive.isNull();
    };
    return galaxy::ForEachQualifyingPlanet(record, m_thresholds, galaxy::Overflow::NotAPlanet, announce);
}
