// The merge window: its layout, tab order and single instance; the two
// browse buttons with the one file dialog; and the Start command's checks,
// messages and pointer, with the merge's effect on the files byte for byte.
#include "UiFixture.h"
#include "galaxy/GalaxyError.h"
#include "state/Declare.h"
#include "support/GalaxyBuilder.h"
#include "support/ScriptedPlatform.h"
#include "windows/frmMerge.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

using platform::MessageButtons;
using platform::MessageIcon;
using testsupport::ScriptedPlatform;
using uitest::Desktop;

namespace {

// A system record whose bytes, all but its system number, planet count and
// planet values, differ from record to record by the pattern, so that
// copies can be told apart.
QByteArray Record(qint16 system, unsigned char pattern)
{
    return testsupport::RecordBytes(system, 1, {}, pattern);
}

const QByteArray kHeader("GXY1", 4);
const QByteArray kZeroHeader(4, '\0');

QRect Twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

} // namespace

class TestFrmMerge : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<uitest::Workspace> m_workspace;
    ScriptedPlatform* m_platform = nullptr;
    QString m_workingFolder;
    bool m_pointerFreeAtEveryBox = true;

    QString path(const QString& name) const { return m_workspace->file(name); }

    frmMerge* openWith(const QString& target, const QString& source)
    {
        frmMerge* window = frmMerge::Show(Desktop());
        window->txtMergeIn->setText(target);
        window->txtMergeFrom->setText(source);
        return window;
    }

    // Presses Start and checks what every press must do: one box, the
    // pointer back to normal before it, the window and its fields unchanged.
    void pressStart(frmMerge* window)
    {
        const QString target = window->txtMergeIn->text();
        const QString source = window->txtMergeFrom->text();
        const qsizetype before = m_platform->boxes.size();
        QTest::mouseClick(window->cmdStart, Qt::LeftButton);
        QCOMPARE(m_platform->boxes.size(), before + 1);
        QVERIFY(!m_platform->boxes.last().busyPointer);
        QVERIFY(m_pointerFreeAtEveryBox);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(uitest::Opened<frmMerge>(), window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->txtMergeIn->text(), target);
        QCOMPARE(window->txtMergeFrom->text(), source);
    }

    void expectBox(MessageIcon icon, const QString& title, const QString& text)
    {
        QVERIFY(!m_platform->boxes.isEmpty());
        const ScriptedPlatform::Box& box = m_platform->boxes.last();
        QCOMPARE(box.icon, icon);
        QCOMPARE(box.buttons, MessageButtons::Ok);
        QCOMPARE(box.title, title);
        QCOMPARE(box.text, text);
    }

    void expectSuccess()
    {
        expectBox(MessageIcon::Information, QStringLiteral("Merge Successful"),
                  QStringLiteral("Merge completed Successfully"));
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_workingFolder = QDir::currentPath();
        m_workspace = std::make_unique<uitest::Workspace>();
        m_platform = &m_workspace->platform();
        m_pointerFreeAtEveryBox = true;
        m_platform->onBox = [this](const ScriptedPlatform::Box&) {
            m_pointerFreeAtEveryBox = m_pointerFreeAtEveryBox && QApplication::overrideCursor() == nullptr;
        };
    }

    void cleanup()
    {
        delete uitest::Opened<frmMerge>();
        QDir::setCurrent(m_workingFolder);
        m_platform = nullptr;
        m_workspace.reset();
    }

    void windowLooksAsDesigned()
    {
        frmMerge* window = frmMerge::Show(Desktop());
        QCOMPARE(window->windowTitle(), QStringLiteral("Merge"));
        QCOMPARE(window->size(), QSize(283, 202));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(window->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(window->windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(window->autoFillBackground());
        QCOMPARE(window->palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(window->lblFile1->text(), QStringLiteral("File to merge In"));
        QCOMPARE(window->lblFile2->text(), QStringLiteral("File to Merge From"));
        for (QLabel* label : {window->lblFile1, window->lblFile2}) {
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(255, 255, 0));
            QVERIFY(!label->autoFillBackground());
        }
        QCOMPARE(window->cmdStart->text(), QStringLiteral("Start"));
        QCOMPARE(window->cmdClose->text(), QStringLiteral("Close"));
        QVERIFY(window->cmdBrowse1->text().isEmpty() && !window->cmdBrowse1->icon().isNull());
        QVERIFY(window->cmdBrowse2->text().isEmpty() && !window->cmdBrowse2->icon().isNull());
        QVERIFY(window->Image1->pixmap().size() == QSize(142, 540) * window->Image1->pixmap().devicePixelRatio());
        // The picture lies behind the other controls.
        QCOMPARE(window->children().indexOf(window->Image1), 0);
        QCOMPARE(window->txtMergeIn->text(), QString());
        QCOMPARE(window->txtMergeFrom->text(), QString());
        QCOMPARE(window->txtMergeIn->maxLength(), std::numeric_limits<int>::max());
        for (QPushButton* button : {window->cmdStart, window->cmdClose, window->cmdBrowse1, window->cmdBrowse2}) {
            QVERIFY(!button->isDefault() && !button->autoDefault());
        }
    }

    void controlsSitWhereDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("lblFile1") << "lblFile1" << Twips(240, 120, 2775, 255);
        QTest::newRow("txtMergeIn") << "txtMergeIn" << Twips(240, 480, 3855, 285);
        QTest::newRow("cmdBrowse1") << "cmdBrowse1" << Twips(240, 840, 375, 375);
        QTest::newRow("lblFile2") << "lblFile2" << Twips(240, 1320, 3615, 255);
        QTest::newRow("txtMergeFrom") << "txtMergeFrom" << Twips(240, 1680, 3855, 285);
        QTest::newRow("cmdBrowse2") << "cmdBrowse2" << Twips(240, 2040, 375, 375);
        QTest::newRow("cmdClose") << "cmdClose" << Twips(240, 2520, 1335, 375);
        QTest::newRow("cmdStart") << "cmdStart" << Twips(2760, 2520, 1335, 375);
        QTest::newRow("Image1") << "Image1" << Twips(1800, -2760, 2130, 8100);
    }

    void controlsSitWhereDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        auto* control = frmMerge::Show(Desktop())->findChild<QWidget*>(name);
        QVERIFY(control != nullptr);
        QCOMPARE(control->geometry(), geometry);
    }

    void focusStartsInTargetAndTabsInOrder()
    {
        frmMerge* window = frmMerge::Show(Desktop());
        QApplication::setActiveWindow(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(QApplication::focusWidget(), window->txtMergeIn);
        const QList<QWidget*> order{window->cmdBrowse1, window->txtMergeFrom, window->cmdBrowse2,
                                    window->cmdStart,   window->cmdClose,     window->txtMergeIn};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void enterAndEscapeDoNothing()
    {
        frmMerge* window = openWith(path(QStringLiteral("t.gxy")), path(QStringLiteral("s.gxy")));
        QTest::keyClick(window->txtMergeIn, Qt::Key_Return);
        QTest::keyClick(window->txtMergeIn, Qt::Key_Escape);
        QVERIFY(m_platform->boxes.isEmpty());
        QVERIFY(window->isVisible());
    }

    void opensOnceAndKeepsItsFields()
    {
        frmMerge* first = openWith(QStringLiteral("in"), QStringLiteral("from"));
        QCOMPARE(frmMerge::Show(Desktop()), first);
        QCOMPARE(first->txtMergeIn->text(), QStringLiteral("in"));
        QCOMPARE(first->txtMergeFrom->text(), QStringLiteral("from"));
    }

    void closeDestroysAndReopensEmpty()
    {
        QPointer<frmMerge> first = openWith(QStringLiteral("in"), QStringLiteral("from"));
        QTest::mouseClick(first->cmdClose, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        frmMerge* second = frmMerge::Show(Desktop());
        QCOMPARE(second->txtMergeIn->text(), QString());
        QCOMPARE(second->txtMergeFrom->text(), QString());
        QVERIFY(m_platform->boxes.isEmpty());
    }

    void browseFillsOnlyItsField_data()
    {
        QTest::addColumn<bool>("first");
        QTest::newRow("cmdBrowse1 -> txtMergeIn") << true;
        QTest::newRow("cmdBrowse2 -> txtMergeFrom") << false;
    }

    void browseFillsOnlyItsField()
    {
        QFETCH(bool, first);
        frmMerge* window = openWith(QStringLiteral("typed in"), QStringLiteral("typed from"));
        const QString picked = path(QStringLiteral("picked.gxy"));
        m_platform->fileAnswers.enqueue(picked);
        QTest::mouseClick(first ? window->cmdBrowse1 : window->cmdBrowse2, Qt::LeftButton);
        QCOMPARE(window->txtMergeIn->text(), first ? picked : QStringLiteral("typed in"));
        QCOMPARE(window->txtMergeFrom->text(), first ? QStringLiteral("typed from") : picked);

        // A cancelled dialog leaves the field as it was; both buttons share
        // the dialog, which starts in the program folder every time.
        m_platform->fileAnswers.enqueue(std::nullopt);
        QTest::mouseClick(first ? window->cmdBrowse1 : window->cmdBrowse2, Qt::LeftButton);
        QCOMPARE(window->txtMergeIn->text(), first ? picked : QStringLiteral("typed in"));
        QCOMPARE(window->txtMergeFrom->text(), first ? QStringLiteral("typed from") : picked);
        QTest::mouseClick(first ? window->cmdBrowse2 : window->cmdBrowse1, Qt::LeftButton);
        QCOMPARE(m_platform->fileDialogFolders, QList<QString>(3, m_platform->folder));
        QVERIFY(m_platform->boxes.isEmpty());
    }

    void emptyFieldIsRefused_data()
    {
        QTest::addColumn<bool>("withTarget");
        QTest::addColumn<bool>("withSource");
        QTest::newRow("target empty") << false << true;
        QTest::newRow("source empty") << true << false;
        QTest::newRow("both empty") << false << false;
    }

    void emptyFieldIsRefused()
    {
        QFETCH(bool, withTarget);
        QFETCH(bool, withSource);
        const QString target = path(QStringLiteral("target.gxy"));
        const QString source = path(QStringLiteral("source.gxy"));
        QVERIFY(testsupport::WriteFile(source, kHeader + Record(1, 1)));
        frmMerge* window = openWith(withTarget ? target : QString(), withSource ? source : QString());
        pressStart(window);
        expectBox(MessageIcon::Critical, QStringLiteral("File Not found"),
                  QStringLiteral("You must enter The file to merge from and the file to merge in."));
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(testsupport::ReadAll(source), kHeader + Record(1, 1));
    }

    void sourceMustBeAnExistingFile_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("missing") << false;
        QTest::newRow("a folder") << true;
    }

    void sourceMustBeAnExistingFile()
    {
        QFETCH(bool, folder);
        const QString target = path(QStringLiteral("target.gxy"));
        const QString source = path(QStringLiteral("source"));
        if (folder) {
            QVERIFY(QDir(m_workspace->folder()).mkdir(QStringLiteral("source")));
        }
        pressStart(openWith(target, source));
        expectBox(MessageIcon::Critical, QStringLiteral("File Not Found"),
                  QStringLiteral("The file to merge From MUST exist"));
        QVERIFY(!QFileInfo::exists(target));
    }

    void mergeIntoExistingTargetAppendsOnlyNewSystems()
    {
        const QString target = path(QStringLiteral("target.gxy"));
        const QString source = path(QStringLiteral("source.gxy"));
        const QByteArray targetBytes = kHeader + Record(1, 10) + Record(2, 20);
        const QByteArray sourceBytes =
            QByteArray("SRC!") + Record(2, 99) + Record(3, 30) + Record(4096, 40) + Record(3, 31) + Record(1, 98);
        QVERIFY(testsupport::WriteFile(target, targetBytes));
        QVERIFY(testsupport::WriteFile(source, sourceBytes));
        pressStart(openWith(target, source));
        expectSuccess();
        QCOMPARE(testsupport::ReadAll(target), targetBytes + Record(3, 30) + Record(4096, 40) + Record(3, 31));
        QCOMPARE(testsupport::ReadAll(source), sourceBytes);
    }

    void mergeIntoNewTargetCreatesIt_data()
    {
        QTest::addColumn<bool>("existsWithHeaderOnly");
        QTest::newRow("target missing") << false;
        QTest::newRow("target of four bytes") << true;
    }

    void mergeIntoNewTargetCreatesIt()
    {
        QFETCH(bool, existsWithHeaderOnly);
        const QString target = path(QStringLiteral("new.gxy"));
        const QString source = path(QStringLiteral("source.gxy"));
        if (existsWithHeaderOnly) {
            QVERIFY(testsupport::WriteFile(target, kHeader));
        }
        const QByteArray records = Record(5, 1) + Record(6, 2) + Record(5, 3);
        QVERIFY(testsupport::WriteFile(source, kHeader + records));
        pressStart(openWith(target, source));
        expectSuccess();
        QCOMPARE(testsupport::ReadAll(target), kZeroHeader + records);
    }

    void mergeOfAFileIntoItselfAddsNothing()
    {
        const QString file = path(QStringLiteral("same.gxy"));
        const QByteArray bytes = kHeader + Record(7, 1) + Record(8, 2);
        QVERIFY(testsupport::WriteFile(file, bytes));
        pressStart(openWith(file, file));
        expectSuccess();
        QCOMPARE(testsupport::ReadAll(file), bytes);
    }

    void systemNumberOutOfRangeStopsTheMerge_data()
    {
        QTest::addColumn<qint16>("bad");
        QTest::newRow("4097") << qint16(4097);
        QTest::newRow("-1") << qint16(-1);
    }

    void systemNumberOutOfRangeStopsTheMerge()
    {
        QFETCH(qint16, bad);
        const QString target = path(QStringLiteral("target.gxy"));
        const QString source = path(QStringLiteral("source.gxy"));
        const QByteArray targetBytes = kHeader + Record(1, 1);
        QVERIFY(testsupport::WriteFile(target, targetBytes));
        QVERIFY(testsupport::WriteFile(source, kHeader + Record(7, 7) + Record(bad, 8) + Record(9, 9)));
        pressStart(openWith(target, source));
        const ScriptedPlatform::Box& box = m_platform->boxes.last();
        QCOMPARE(box.icon, MessageIcon::Critical);
        QCOMPARE(box.title, QStringLiteral("Merge Failed"));
        const QString prefix = QStringLiteral("The following unexpected Error Occured:9:");
        const QString suffix = QStringLiteral(" The merge will stop here.");
        QVERIFY2(box.text.startsWith(prefix) && box.text.endsWith(suffix), qPrintable(box.text));
        QVERIFY(box.text.size() > prefix.size() + suffix.size());
        // What was appended before the failure stays.
        QCOMPARE(testsupport::ReadAll(target), targetBytes + Record(7, 7));
    }

    void fileErrorShowsItsNumberAndDescription()
    {
        // A folder cannot be opened for writing.
        QVERIFY(QDir(m_workspace->folder()).mkdir(QStringLiteral("target")));
        const QString source = path(QStringLiteral("source.gxy"));
        QVERIFY(testsupport::WriteFile(source, kHeader + Record(1, 1)));
        pressStart(openWith(path(QStringLiteral("target")), source));
#ifdef _WIN32
        // Windows refuses access to a folder opened as a file.
        const galaxy::GalaxyResult refused = galaxy::GalaxyResult::FromSystemError(5 /* ERROR_ACCESS_DENIED */);
        const int number = refused.number();
        const QString description = QString::fromStdString(refused.description());
#else
        const int number = EISDIR;
        const QString description = QString::fromLocal8Bit(std::strerror(EISDIR));
#endif
        expectBox(MessageIcon::Critical, QStringLiteral("Merge Failed"),
                  QStringLiteral("The following unexpected Error Occured:") + QString::number(number)
                      + QStringLiteral(":") + description + QStringLiteral(" The merge will stop here."));
    }

    void relativePathsFollowTheWorkingFolder()
    {
        QVERIFY(QDir(m_workspace->folder()).mkdir(QStringLiteral("work")));
        QVERIFY(QDir::setCurrent(path(QStringLiteral("work"))));
        QVERIFY(testsupport::WriteFile(path(QStringLiteral("work/source.gxy")), kHeader + Record(3, 3)));
        pressStart(openWith(QStringLiteral("target.gxy"), QStringLiteral("source.gxy")));
        expectSuccess();
        QCOMPARE(testsupport::ReadAll(path(QStringLiteral("work/target.gxy"))), kZeroHeader + Record(3, 3));
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("target.gxy"))));
    }

    void hiddenSourceFileIsMerged()
    {
        const QString target = path(QStringLiteral("target.gxy"));
        const QString source = path(QStringLiteral(".hidden.gxy"));
        QVERIFY(testsupport::WriteFile(source, kHeader + Record(12, 12)));
        QVERIFY(QFileInfo(source).isHidden());
        pressStart(openWith(target, source));
        expectSuccess();
        QCOMPARE(testsupport::ReadAll(target), kZeroHeader + Record(12, 12));
    }

    void eachPressIsOneMerge()
    {
        const QString target = path(QStringLiteral("target.gxy"));
        const QString source = path(QStringLiteral("source.gxy"));
        QVERIFY(testsupport::WriteFile(source, kHeader + Record(1, 1) + Record(2, 2)));
        frmMerge* window = openWith(target, source);
        pressStart(window);
        pressStart(window);
        QCOMPARE(m_platform->boxes.size(), 2);
        QCOMPARE(testsupport::ReadAll(target), kZeroHeader + Record(1, 1) + Record(2, 2));
    }
};

QTEST_MAIN(TestFrmMerge)
#include "tst_frmmerge.moc"
