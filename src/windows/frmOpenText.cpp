#include "frmOpenText.h"

#include "Messages.h"
#include "WindowLook.h"
#include "platform/Platform.h"
#include "platform/VersionRecord.h"
#include "state/Declare.h"
#include "widgets/OneWindow.h"
#include "widgets/Twips.h"

#include <QByteArray>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QResizeEvent>

#include <cstddef>
#include <limits>
#include <new>

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

enum class ReadResult { Read, TooBig, Failed };

// Reads the whole report in one piece, one byte per character (Latin-1 gives
// every byte the character of its own code). The text box cannot report that
// it ran out of memory, so a report too big for it is found here: one of more
// characters than a text document can count, or one whose bytes or text
// cannot be had.
ReadResult ReadReport(const QString& path, QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return ReadResult::Failed;
    }
    const qint64 size = file.size();
    if (size > std::numeric_limits<int>::max()) {
        return ReadResult::TooBig;
    }
    try {
        const QByteArray bytes = file.read(size);
        if (bytes.size() != size) {
            return ReadResult::Failed;
        }
        text = QString::fromLatin1(bytes);
    } catch (const std::bad_alloc&) {
        return ReadResult::TooBig;
    }
    return ReadResult::Read;
}

// Whether the memory is there to lay the text out: the document and its
// layout take a few times the text's own size. Asked for and given back at
// once; a direct call of operator new, which the compiler does not leave out.
bool RoomToShow(const QString& text)
{
    constexpr std::size_t kRoomPerCharacter = 4 * sizeof(char16_t);
    void* room = ::operator new(static_cast<std::size_t>(text.size()) * kRoomPerCharacter, std::nothrow);
    const bool got = room != nullptr;
    ::operator delete(room);
    return got;
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

    txtReport = new QPlainTextEdit(this);
    txtReport->setObjectName(QStringLiteral("txtReport"));
    txtReport->setReadOnly(true);
    // The caret moves with the keys, and screen readers follow it.
    txtReport->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtReport->setFont(ReportFont());
    txtReport->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtReport->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtReport->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtReport->setGeometry(rect());
    setFocusProxy(txtReport);
}

bool frmOpenText::Form_Load()
{
    setWindowTitle(platform::FinalVersionByline());

    QString text;
    const ReadResult read = ReadReport(Declare::ReportPath(), text);
    if (read == ReadResult::Read && RoomToShow(text)) {
        // The CR LF line ends make the lines; the caret stays at the start.
        txtReport->setPlainText(text);
        return true;
    }
    if (read != ReadResult::Failed) {
        offerExternalEditor();
        return false;
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
