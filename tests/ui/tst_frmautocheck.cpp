// The auto-check monitor, driven tick by tick against a galaxy file that the
// test appends to: what each tick announces, the baseline moving past the
// announced systems, records written in pieces, files that are missing or
// change, the main window going away, the delay prompt and the ship.
#include "UiFixture.h"
#include "state/Declare.h"
#include "support/GalaxyBuilder.h"
#include "support/OpenHandles.h"
#include "support/PlanetLines.h"
#include "support/ScriptedPlatform.h"
#include "windows/frmAutoCheck.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <functional>
#include <initializer_list>
#include <memory>

using platform::MessageButtons;
using platform::MessageIcon;
using testsupport::OpenHandlesTo;
using testsupport::PlanetLine;
using testsupport::RecordBytes;
using testsupport::ScriptedPlatform;
using uitest::Desktop;
using uitest::Workspace;

namespace {

constexpr int kRecordSize = 492;
const QByteArray kHeader("GXY1", 4);

// Puts a hook between the monitor and the scripted services, to look at the
// monitor while its delay prompt is open.
class PromptHook final : public platform::ForwardingPlatform {
public:
    explicit PromptHook(ScriptedPlatform& inner) : ForwardingPlatform(inner) {}
    std::function<void()> onInput;

    std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                    const QString& defaultText) override
    {
        if (onInput) {
            onInput();
        }
        return ForwardingPlatform::inputBox(parent, prompt, title, defaultText);
    }
};

} // namespace

class TestFrmAutoCheck : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Workspace> m_workspace;
    ScriptedPlatform* m_platform = nullptr;
    // A main window's two threshold fields, and the source the monitor is
    // handed to read them, as the main window hands it.
    std::unique_ptr<QWidget> m_main;
    QPointer<QLineEdit> m_minHab;
    QPointer<QLineEdit> m_minMet;
    frmAutoCheck::ThresholdSource m_thresholds;

    QString galaxyPath(const QString& name = QStringLiteral("test.gxy")) const { return m_workspace->file(name); }

    void writeGalaxy(const QByteArray& bytes, const QString& name = QStringLiteral("test.gxy"))
    {
        QVERIFY(testsupport::WriteFile(galaxyPath(name), bytes));
    }

    void append(const QByteArray& bytes, const QString& name = QStringLiteral("test.gxy"))
    {
        QVERIFY(testsupport::AppendTo(galaxyPath(name), bytes));
    }

    void setThresholds(const QString& hab, const QString& met)
    {
        m_minHab->setText(hab);
        m_minMet->setText(met);
    }

    QStringList announced() const
    {
        QStringList texts;
        for (const ScriptedPlatform::Box& box : m_platform->boxes) {
            texts.append(box.text);
        }
        return texts;
    }

    // Starts the monitor with a delay answered at the prompt.
    void start(frmAutoCheck* monitor, const QString& answer)
    {
        m_platform->inputAnswers.enqueue(answer);
        QTest::mouseClick(monitor->cmdStartStop, Qt::LeftButton);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_workspace = std::make_unique<Workspace>();
        m_platform = &m_workspace->platform();
        m_main = std::make_unique<QWidget>();
        m_minHab = new QLineEdit(m_main.get());
        m_minMet = new QLineEdit(m_main.get());
        setThresholds(QStringLiteral("0"), QStringLiteral("0"));
        m_thresholds = [this]() -> std::optional<frmAutoCheck::ThresholdTexts> {
            if (!m_minHab || !m_minMet) {
                return std::nullopt;
            }
            return frmAutoCheck::ThresholdTexts{m_minHab->text(), m_minMet->text()};
        };
        Declare::pstrCurrentGalaxyFile = QStringLiteral("test.gxy");
        writeGalaxy(kHeader + RecordBytes(1, 6, {{0.9F, 0.9F}}) + RecordBytes(2, 6, {{0.9F, 0.9F}}));
    }

    void cleanup()
    {
        delete uitest::Opened<frmAutoCheck>();
        QLocale::setDefault(QLocale::c());
        Declare::pstrCurrentGalaxyFile.clear();
        m_main.reset();
        m_platform = nullptr;
        m_workspace.reset();
    }

    void opensStopped()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        QCOMPARE(monitor->windowTitle(), QStringLiteral("AutoChecking..."));
        QCOMPARE(monitor->size(), QSize(312, 102));
        QCOMPARE(monitor->minimumSize(), monitor->maximumSize());
        QVERIFY(!(monitor->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(monitor->windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(monitor->lblAutoCheck->text(), QStringLiteral("Auto Checking for new planets...   "));
        QCOMPARE(monitor->lbltxtDelay->text(), QStringLiteral("Delay:"));
        QCOMPARE(monitor->lblFileSize->text(), QStringLiteral("File Size:"));
        QCOMPARE(monitor->lblDelay->text(), QString());
        QCOMPARE(monitor->lblSize->text(), QString());
        QCOMPARE(monitor->cmdStartStop->text(), QStringLiteral("Start"));
        QVERIFY(!monitor->tmrChecking->isActive());
        QCOMPARE(monitor->imgShip1->geometry(), QRect(8, 32, 32, 32));
        QVERIFY(!monitor->imgShip1->pixmap().isNull());
        QCOMPARE(monitor->plngOldFileSize, 4 + 2 * kRecordSize);
        QVERIFY(m_platform->boxes.isEmpty());
    }

    void labelsShowTheirTextsWhole()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        start(monitor, QStringLiteral("1.5"));
        append(QByteArray(16121612 - 4 - 2 * kRecordSize, '\0'));
        monitor->tmrChecking_Timer();
        QCOMPARE(monitor->lblSize->text(), QStringLiteral("16121612"));
        const QList<QLabel*> labels{monitor->lblAutoCheck, monitor->lbltxtDelay, monitor->lblDelay,
                                    monitor->lblFileSize, monitor->lblSize};
        QList<QRect> texts;
        for (QLabel* label : labels) {
            // As drawn in the label's font; blanks at the end show nothing.
            const QFontMetrics metrics(label->font());
            const QRect text(label->pos(), QSize(metrics.horizontalAdvance(label->text().trimmed()), metrics.height()));
            QVERIFY2(text.width() <= label->width(), qPrintable(label->objectName()));
            QVERIFY2(monitor->rect().contains(label->geometry()), qPrintable(label->objectName()));
            for (const QRect& other : texts) {
                QVERIFY2(!other.intersects(text), qPrintable(label->objectName()));
            }
            texts.append(text);
        }
        QVERIFY(!texts.last().intersects(monitor->cmdStartStop->geometry()));
    }

    void opensOnceAndKeepsItsState()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        start(monitor, QStringLiteral("5"));
        append(RecordBytes(3, 1, {{0.5F, 0.5F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(frmAutoCheck::Show(Desktop(), m_thresholds), monitor);
        QCOMPARE(monitor->plngOldFileSize, 4 + 3 * kRecordSize);
        QCOMPARE(monitor->cmdStartStop->text(), QStringLiteral("Stop"));
        QCOMPARE(monitor->delay(), 5000);
    }

    void delayPrompt_data()
    {
        QTest::addColumn<QList<std::optional<QString>>>("answers");
        QTest::addColumn<int>("prompts");
        QTest::addColumn<int>("delay");
        QTest::addColumn<QString>("label");
        using Answers = QList<std::optional<QString>>;
        QTest::newRow("5") << Answers{QStringLiteral("5")} << 1 << 5000 << "5 secs";
        QTest::newRow("exactly 60") << Answers{QStringLiteral("60")} << 1 << 60000 << "60 secs";
        QTest::newRow("61 asks again") << Answers{QStringLiteral("61"), QStringLiteral("5")} << 2 << 5000 << "5 secs";
        QTest::newRow("60.0004 rounds to 60") << Answers{QStringLiteral("60.0004")} << 1 << 60000 << "60 secs";
        QTest::newRow("60.001 asks again")
            << Answers{QStringLiteral("60.001"), QStringLiteral("2")} << 2 << 2000 << "2 secs";
        QTest::newRow("1.5") << Answers{QStringLiteral("1.5")} << 1 << 1500 << "1.5 secs";
        QTest::newRow("0.0004 is 0") << Answers{QStringLiteral("0.0004")} << 1 << 0 << "0 secs";
        QTest::newRow("leading blanks") << Answers{QStringLiteral("  7 seconds")} << 1 << 7000 << "7 secs";
        QTest::newRow("cancel is 0") << Answers{std::nullopt} << 1 << 0 << "0 secs";
        QTest::newRow("empty is 0") << Answers{QString()} << 1 << 0 << "0 secs";
        QTest::newRow("no number is 0") << Answers{QStringLiteral("soon")} << 1 << 0 << "0 secs";
        QTest::newRow("negative asks again")
            << Answers{QStringLiteral("-5"), QStringLiteral("3")} << 2 << 3000 << "3 secs";
        QTest::newRow("out of range asks again")
            << Answers{QStringLiteral("1e300"), QStringLiteral("3000000"), QStringLiteral("-1e9"), QStringLiteral("4")}
            << 4 << 4000 << "4 secs";
    }

    void delayPrompt()
    {
        QFETCH(QList<std::optional<QString>>, answers);
        QFETCH(int, prompts);
        QFETCH(int, delay);
        QFETCH(QString, label);
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        for (const std::optional<QString>& answer : answers) {
            m_platform->inputAnswers.enqueue(answer);
        }
        QTest::mouseClick(monitor->cmdStartStop, Qt::LeftButton);
        QCOMPARE(m_platform->inputs.size(), prompts);
        for (const ScriptedPlatform::Input& input : m_platform->inputs) {
            QCOMPARE(input.prompt,
                     QStringLiteral("Please enter the delay in seconds between  each check (Max 60 Secs)"));
            QCOMPARE(input.title, QStringLiteral("Delay"));
            QCOMPARE(input.defaultText, QString());
        }
        QCOMPARE(monitor->delay(), delay);
        QCOMPARE(monitor->lblDelay->text(), label);
        QCOMPARE(monitor->cmdStartStop->text(), QStringLiteral("Stop"));
        QVERIFY(monitor->running());
        // A delay of 0 means no ticks.
        QCOMPARE(monitor->tmrChecking->isActive(), delay > 0);
        if (delay > 0) {
            QCOMPARE(monitor->tmrChecking->interval(), delay);
        }
        QVERIFY(m_platform->boxes.isEmpty());
    }

    void delayLabelUsesTheDecimalSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        start(monitor, QStringLiteral("1.5"));
        QCOMPARE(monitor->lblDelay->text(), QStringLiteral("1,5 secs"));
    }

    void stopKeepsDelayAndRestartTicksMeanwhile()
    {
        PromptHook hook(*m_platform);
        frmAutoCheck* monitor = frmAutoCheck::Show(hook, m_thresholds);
        start(monitor, QStringLiteral("5"));
        QTest::mouseClick(monitor->cmdStartStop, Qt::LeftButton);
        QCOMPARE(monitor->cmdStartStop->text(), QStringLiteral("Start"));
        QVERIFY(!monitor->tmrChecking->isActive());
        QCOMPARE(monitor->lblDelay->text(), QStringLiteral("5 secs"));

        // While the prompt of the next start is open the old delay runs.
        bool tickingAtOldDelay = false;
        hook.onInput = [&] {
            tickingAtOldDelay = monitor->tmrChecking->isActive() && monitor->tmrChecking->interval() == 5000
                                && monitor->cmdStartStop->text() == QStringLiteral("Stop");
        };
        start(monitor, QStringLiteral("2"));
        QVERIFY(tickingAtOldDelay);
        QCOMPARE(monitor->tmrChecking->interval(), 2000);
        QCOMPARE(monitor->lblDelay->text(), QStringLiteral("2 secs"));
    }

    void timerDrivesTheTicks()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        start(monitor, QStringLiteral("3"));
        QVERIFY(QMetaObject::invokeMethod(monitor->tmrChecking, "timeout"));
        QCOMPARE(monitor->lblSize->text(), QString::number(4 + 2 * kRecordSize));
        QCOMPARE(monitor->imgShip1->x(), 16);
    }

    void closingStopsTheTimer()
    {
        QPointer<frmAutoCheck> monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        start(monitor, QStringLiteral("3"));
        QPointer<QTimer> timer = monitor->tmrChecking;
        QVERIFY(timer->isActive());
        QVERIFY(monitor->close());
        QVERIFY(timer.isNull() || !timer->isActive());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(monitor.isNull());
    }

    void oneRecordAnnouncesItsQualifyingPlanetsInOrder()
    {
        setThresholds(QStringLiteral("85"), QStringLiteral("40"));
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        append(RecordBytes(1234, 3, {{0.85F, 0.40F}, {0.9F, 0.5F}, {0.86F, 0.41F}, {0.99F, 0.99F}, {0.99F, 0.99F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), (QStringList{PlanetLine("1234.A", "85", "40"), PlanetLine("1234.B", "90", "50"),
                                           PlanetLine("1234.C", "86", "41")}));
        for (const ScriptedPlatform::Box& box : m_platform->boxes) {
            QCOMPARE(box.icon, MessageIcon::None);
            QCOMPARE(box.buttons, MessageButtons::Ok);
            QCOMPARE(box.title, QStringLiteral("Quarrimax2"));
        }
        QCOMPARE(monitor->lblSize->text(), QString::number(4 + 3 * kRecordSize));
    }

    void belowThresholdsAndOutsideThePlanetCountAreNotAnnounced()
    {
        setThresholds(QStringLiteral("50"), QStringLiteral("50"));
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        append(RecordBytes(7, 2, {{0.49F, 0.9F}, {0.9F, 0.4999F}, {0.9F, 0.9F}}));
        append(RecordBytes(8, 0, {{0.9F, 0.9F}}));
        append(RecordBytes(-3, 1, {{0.5F, 0.5F}}));
        monitor->tmrChecking_Timer();
        // A negative system number widens its column by one.
        QCOMPARE(announced(), QStringList{QStringLiteral("-3.A") + QString(11, QChar(u' ')) + QStringLiteral("50")
                                          + QString(11, QChar(u' ')) + QStringLiteral("50")});
    }

    void twoRecordsEachWithItsOwnNumber()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        append(RecordBytes(10, 1, {{0.25F, 0.75F}}) + RecordBytes(11, 2, {{0.1F, 0.2F}, {0.375F, 0.08F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), (QStringList{PlanetLine("10.A", "25", "75"), PlanetLine("11.A", "10", "20"),
                                           PlanetLine("11.B", "37.5", "8")}));
        QCOMPARE(monitor->plngOldFileSize, 4 + 4 * kRecordSize);
    }

    void laterTicksAnnounceNothingAgain()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        append(RecordBytes(20, 1, {{0.6F, 0.6F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(m_platform->boxes.size(), 1);
        monitor->tmrChecking_Timer();
        monitor->tmrChecking_Timer();
        QCOMPARE(m_platform->boxes.size(), 1);
        append(RecordBytes(21, 1, {{0.7F, 0.7F}}));
        monitor->tmrChecking_Timer();
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), (QStringList{PlanetLine("20.A", "60", "60"), PlanetLine("21.A", "70", "70")}));
    }

    void recordWrittenInTwoHalves()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        const qint64 baseline = monitor->plngOldFileSize;
        const QByteArray record = RecordBytes(30, 1, {{0.8F, 0.8F}});
        append(record.left(200));
        monitor->tmrChecking_Timer();
        QVERIFY(m_platform->boxes.isEmpty());
        QCOMPARE(monitor->plngOldFileSize, baseline);
        QCOMPARE(monitor->lblSize->text(), QString::number(baseline + 200));
        append(record.mid(200));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), QStringList{PlanetLine("30.A", "80", "80")});
        QCOMPARE(monitor->plngOldFileSize, baseline + kRecordSize);
        monitor->tmrChecking_Timer();
        QCOMPARE(m_platform->boxes.size(), 1);
    }

    // The current galaxy's name typed as on Windows: "\\" parts folders.
    void galaxyNameWithBackslashes()
    {
        QVERIFY(QDir(m_workspace->folder()).mkpath(QStringLiteral("sub")));
        const QString file = QStringLiteral("sub/alpha.gxy");
        writeGalaxy(kHeader + RecordBytes(1, 6, {{0.9F, 0.9F}}), file);
        Declare::pstrCurrentGalaxyFile = QStringLiteral("sub\\alpha.gxy");
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        QCOMPARE(monitor->plngOldFileSize, 4 + kRecordSize);
        append(RecordBytes(90, 1, {{0.6F, 0.6F}}), file);
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), QStringList{PlanetLine("90.A", "60", "60")});
        QCOMPARE(monitor->lblSize->text(), QString::number(4 + 2 * kRecordSize));
    }

    void growthOfOneAndAHalfRecords()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        const QByteArray second = RecordBytes(41, 1, {{0.2F, 0.2F}});
        append(RecordBytes(40, 1, {{0.1F, 0.1F}}) + second.left(246));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), QStringList{PlanetLine("40.A", "10", "10")});
        append(second.mid(246));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), (QStringList{PlanetLine("40.A", "10", "10"), PlanetLine("41.A", "20", "20")}));
    }

    void aFileCutBackIsFollowed()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        writeGalaxy(kHeader + RecordBytes(1, 1, {{0.9F, 0.9F}}));
        monitor->tmrChecking_Timer();
        QVERIFY(m_platform->boxes.isEmpty());
        QCOMPARE(monitor->plngOldFileSize, 4 + kRecordSize);
        append(RecordBytes(50, 1, {{0.55F, 0.45F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), QStringList{PlanetLine("50.A", "55", "45")});
    }

    void thresholdsAreReadOnEveryTick()
    {
        setThresholds(QStringLiteral("90"), QStringLiteral("90"));
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        append(RecordBytes(60, 1, {{0.85F, 0.4F}}));
        monitor->tmrChecking_Timer();
        QVERIFY(m_platform->boxes.isEmpty());
        setThresholds(QStringLiteral("85"), QStringLiteral("40"));
        append(RecordBytes(61, 1, {{0.85F, 0.4F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(monitor->thresholds().minHab, 85);
        QCOMPARE(monitor->thresholds().minMet, 40);
        QCOMPARE(announced(), QStringList{PlanetLine("61.A", "85", "40")});
    }

    void emptyThresholdsCountAsZero()
    {
        setThresholds(QString(), QStringLiteral("x"));
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        append(RecordBytes(62, 3, {{0.0F, 0.0F}, {-0.01F, 0.5F}, {0.5F, -0.01F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), QStringList{PlanetLine("62.A", "0", "0")});
    }

    void lastThresholdsStayWhenTheMainWindowIsGone()
    {
        setThresholds(QStringLiteral("50"), QStringLiteral("50"));
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        monitor->tmrChecking_Timer();
        m_main.reset();
        QVERIFY(m_minHab.isNull() && m_minMet.isNull());
        append(RecordBytes(70, 2, {{0.6F, 0.6F}, {0.4F, 0.4F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), QStringList{PlanetLine("70.A", "60", "60")});
        QCOMPARE(monitor->imgShip1->x(), 24);
    }

    void messagesUseTheDecimalSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        append(RecordBytes(12, 1, {{0.375F, 0.08F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), QStringList{PlanetLine("12.A", "37,5", "8")});
    }

    void overflowingValuesAreSkipped()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        append(RecordBytes(80, 3, {{3.0e38F, 0.5F}, {0.5F, 0.5F}, {0.5F, -3.0e38F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(),
                 QStringList{PlanetLine("80.A", "50", "50").replace(QStringLiteral("80.A"), QStringLiteral("80.B"))});
    }

    void noGalaxySelected()
    {
        Declare::pstrCurrentGalaxyFile.clear();
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        monitor->tmrChecking_Timer();
        QVERIFY(m_platform->boxes.isEmpty());
        QCOMPARE(monitor->lblSize->text(), QString());
        QCOMPARE(monitor->imgShip1->x(), 16);

        // The galaxy selected later: its systems at the first look are known,
        // those appended afterwards are new.
        Declare::pstrCurrentGalaxyFile = QStringLiteral("test.gxy");
        monitor->tmrChecking_Timer();
        QVERIFY(m_platform->boxes.isEmpty());
        QCOMPARE(monitor->lblSize->text(), QString::number(4 + 2 * kRecordSize));
        append(RecordBytes(90, 1, {{0.3F, 0.3F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), QStringList{PlanetLine("90.A", "30", "30")});
    }

    void missingOrUnreadableGalaxyFile()
    {
        Declare::pstrCurrentGalaxyFile = QStringLiteral("missing.gxy");
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        monitor->tmrChecking_Timer();
        QVERIFY(m_platform->boxes.isEmpty());
        QCOMPARE(monitor->lblSize->text(), QString());

        // A folder in its place cannot be read either.
        QVERIFY(QDir(m_workspace->folder()).mkdir(QStringLiteral("missing.gxy")));
        monitor->tmrChecking_Timer();
        QVERIFY(m_platform->boxes.isEmpty());
        QCOMPARE(monitor->lblSize->text(), QString());
        QVERIFY(QDir(m_workspace->folder()).rmdir(QStringLiteral("missing.gxy")));

        writeGalaxy(kHeader + RecordBytes(1, 1, {{0.9F, 0.9F}}), QStringLiteral("missing.gxy"));
        monitor->tmrChecking_Timer();
        QVERIFY(m_platform->boxes.isEmpty());
        append(RecordBytes(91, 1, {{0.31F, 0.3F}}), QStringLiteral("missing.gxy"));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), QStringList{PlanetLine("91.A", "31", "30")});

        // The file removed while the monitor runs.
        QVERIFY(QFile::remove(galaxyPath(QStringLiteral("missing.gxy"))));
        monitor->tmrChecking_Timer();
        QCOMPARE(m_platform->boxes.size(), 1);
        QCOMPARE(monitor->lblSize->text(), QString());
    }

    void anotherGalaxySelectedTakesItsOwnBaseline()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        writeGalaxy(kHeader + RecordBytes(1, 1, {{0.9F, 0.9F}}) + RecordBytes(2, 1, {{0.9F, 0.9F}})
                        + RecordBytes(3, 1, {{0.9F, 0.9F}}) + RecordBytes(4, 1, {{0.9F, 0.9F}}),
                    QStringLiteral("other.gxy"));
        Declare::pstrCurrentGalaxyFile = QStringLiteral("other.gxy");
        monitor->tmrChecking_Timer();
        QVERIFY(m_platform->boxes.isEmpty());
        QCOMPARE(monitor->plngOldFileSize, 4 + 4 * kRecordSize);
        append(RecordBytes(95, 1, {{0.95F, 0.05F}}), QStringLiteral("other.gxy"));
        monitor->tmrChecking_Timer();
        QCOMPARE(announced(), QStringList{PlanetLine("95.A", "95", "5")});
    }

    void shipCyclesEvery32Ticks()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        for (int tick = 1; tick <= 64; ++tick) {
            if (tick == 10) {
                Declare::pstrCurrentGalaxyFile = QStringLiteral("missing.gxy");
            }
            monitor->tmrChecking_Timer();
            const int twips = tick % 32 == 0 ? 120 : 120 + 120 * (tick % 32);
            QCOMPARE(monitor->imgShip1->x(), twips / 15);
            QCOMPARE(monitor->imgShip1->y(), 32);
        }
    }

    void aTickDueDuringMessagesIsSkipped()
    {
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        int nested = 0;
        // A tick falls due while each message is up (a few times at most, so
        // that a monitor that does not skip them fails instead of recursing).
        m_platform->onBox = [&](const ScriptedPlatform::Box&) {
            if (++nested <= 4) {
                monitor->tmrChecking_Timer();
            }
        };
        append(RecordBytes(100, 2, {{0.5F, 0.5F}, {0.6F, 0.6F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(nested, 2);
        QCOMPARE(announced(), (QStringList{PlanetLine("100.A", "50", "50"), PlanetLine("100.B", "60", "60")}));
        QCOMPARE(monitor->imgShip1->x(), 16);
        monitor->tmrChecking_Timer();
        QCOMPARE(m_platform->boxes.size(), 2);
        QCOMPARE(monitor->imgShip1->x(), 24);
    }

    void eachTickHasItsOwnHandleClosedAtItsEnd()
    {
#ifndef Q_OS_LINUX
        QSKIP("counts open files through /proc");
#endif
        frmAutoCheck* monitor = frmAutoCheck::Show(Desktop(), m_thresholds);
        QCOMPARE(OpenHandlesTo(galaxyPath()), 0);
        int handlesWhileShowing = -1;
        m_platform->onBox = [&](const ScriptedPlatform::Box&) { handlesWhileShowing = OpenHandlesTo(galaxyPath()); };
        append(RecordBytes(110, 1, {{0.5F, 0.5F}}));
        monitor->tmrChecking_Timer();
        QCOMPARE(handlesWhileShowing, 1);
        QCOMPARE(OpenHandlesTo(galaxyPath()), 0);
    }
};

QTEST_MAIN(TestFrmAutoCheck)
#include "tst_frmautocheck.moc"
