#include "frmOpenText.h"

#include "Messages.h"
#include "WindowLook.h"
#include "platform/Platform.h"
#include "platform/VersionRecord.h"
#include "state/Declare.h"
#include "widgets/OneWindow.h"
#include "widgets/ReportTextView.h"
#include "widgets/Twips.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QResizeEvent>

namespace {

// Client area at creation, and the smallest outer size with the frame that
// the text box's width and height leave around it.
constexpr int kClientWidth = 6780;
constexpr int kClientHeight = 3495;
constexpr int kSmallestOuter = 600;
constexpr int kFrameWidth = 120;
constexpr int kFrameHeight = 420;

const QString kTooBigTitle = QStringLiteral("File Size too big");
const QString kTooBigText = QStringLiteral(
    "The File is to big to be opened with the build  in text Viewer, would you like to try opening it with notepad?");
const QString kUnknownErrorTitle = QStringLiteral("Unknow Error");
const QString kUnknownErrorText =
    QStringLiteral("An unknow error occured. Please contact the producer if the problem persiste.");

// "Courier" 9.75 pt; where no Courier is installed a fixed-pitch font of the
// same build, or else the system's own, takes its place, so that the columns
// of the report line up.
QFont ReportFont()
{
    QFont font = look::CourierFont(9.75);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(9.75);
    }
    return font;
}

} // namespace

frmOpenText* frmOpenText::Show(platform::Platform& desktop, QWidget* messageParent)
{
    return look::OneWindow<frmOpenText>::Show([&desktop, messageParent]() -> frmOpenText* {
        auto* viewer = new frmOpenText(desktop, messageParent);
        if (!viewer->Form_Load()) {
            delete viewer;
            return nullptr;
        }
        return viewer;
    });
}

frmOpenText* frmOpenText::Find()
{
    return look::OneWindow<frmOpenText>::Find();
}

frmOpenText::frmOpenText(platform::Platform& desktop, QWidget* messageParent)
    : QWidget(nullptr, Qt::Window), m_desktop(desktop), m_messageParent(messageParent)
{
    setObjectName(QStringLiteral("frmOpenText"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Planets Report"));
    setWindowIcon(look::ProgramIcon());
    setMinimumSize(twips::Size(kSmallestOuter - kFrameWidth, kSmallestOuter - kFrameHeight));
    resize(twips::Size(kClientWidth, kClientHeight));
    setFont(look::DialogFont());

    txtReport = new ReportTextView(this);
    txtReport->setObjectName(QStringLiteral("txtReport"));
    txtReport->setFont(ReportFont());
    txtReport->setGeometry(rect());
    setFocusProxy(txtReport);
}

bool frmOpenText::Form_Load()
{
    setWindowTitle(platform::FinalVersionByline());

    switch (txtReport->loadFile(Declare::ReportPath())) {
    case ReportTextView::LoadResult::Loaded: return true;
    case ReportTextView::LoadResult::OutOfMemory: offerExternalEditor(); return false;
    case ReportTextView::LoadResult::Failed: break;
    }
    m_desktop.messageBox(m_messageParent.data(), platform::MessageIcon::Critical, platform::MessageButtons::Ok,
                         kUnknownErrorTitle, kUnknownErrorText);
    return true;
}

void frmOpenText::offerExternalEditor()
{
    QWidget* parent = m_messageParent.data();
    const platform::MessageAnswer answer = m_desktop.messageBox(
        parent, platform::MessageIcon::Question, platform::MessageButtons::YesNo, kTooBigTitle, kTooBigText);
    if (answer != platform::MessageAnswer::Yes) {
        return;
    }
    if (!m_desktop.externalEditorExists()) {
        messages::ShowEditorMissing(m_desktop, parent);
        return;
    }
    // An editor that fails to start leaves nothing more to do: the viewer
    // closes either way.
    (void)m_desktop.startExternalEditor(Declare::ReportPath());
}

void frmOpenText::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    Form_Resize();
}

void frmOpenText::Form_Resize()
{
    // Nothing is laid out while the window is minimized.
    if (isMinimized()) {
        return;
    }
    // The window's minimum keeps its smallest size only where the window
    // manager heeds it: an outer size below it is set back here, the frame
    // staying as it is. The text box fills the client area.
    const QSize outer = frameGeometry().size();
    const QSize smallest = twips::Size(kSmallestOuter, kSmallestOuter);
    if (outer.width() < smallest.width() || outer.height() < smallest.height()) {
        resize(size() + outer.expandedTo(smallest) - outer);
    }
    txtReport->setGeometry(rect());
}
