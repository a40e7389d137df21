#include "frmModifyList.h"

#include "Messages.h"
#include "WindowLook.h"
#include "settings/Schema.h"
#include "state/Declare.h"
#include "widgets/Twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Tops of rows 1 to 4 and the widths of their heads, in twips.
constexpr int kRowTop[] = {0, 600, 1080, 1560, 2040};
constexpr int kHeadWidth[] = {0, 1095, 855, 855, 855};

// Characters that cannot stand in a file name; the file box of row 1 drops them.
const QString kRefusedInFileName = QStringLiteral("\\/*?:<>|");

// A bold yellow head on a transparent background.
QLabel* Head(QWidget* parent, const QString& name, const QString& text, const QRect& twipsArea)
{
    auto* head =
        twips::Place<QLabel>(parent, name, twipsArea.x(), twipsArea.y(), twipsArea.width(), twipsArea.height());
    head->setText(text);
    head->setFont(look::ArialFont(8.25, true));
    QPalette palette = head->palette();
    palette.setColor(QPalette::WindowText, look::kCaptionYellow);
    head->setPalette(palette);
    return head;
}

} // namespace

frmModifyList::frmModifyList(platform::Platform& desktop, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint),
      m_desktop(desktop)
{
    setObjectName(QStringLiteral("frmModifyList"));
    setWindowTitle(QStringLiteral("Galaxy List Editor"));
    setWindowIcon(look::ProgramIcon());
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(twips::Size(4665, 3090));
    setFont(look::DialogFont());
    createControls();
    connect(cmdSave, &QPushButton::clicked, this, &frmModifyList::cmdSave_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmModifyList::cmdExit_Click);
    Form_Load();
    look::CentreOnScreen(this);
}

void frmModifyList::createControls()
{
    Image1 = twips::Place<QLabel>(this, QStringLiteral("Image1"), -840, -960, 5955, 4965);
    Image1->setScaledContents(true);
    look::KeepSharp(Image1,
                    [this](qreal ratio) { return look::Picture(QStringLiteral("modifylist"), Image1->size(), ratio); });
    lblGalaxyName =
        Head(this, QStringLiteral("lblGalaxyName"), QStringLiteral("Galaxy Name:"), QRect(1320, 240, 1575, 255));
    lblGalaxyFile =
        Head(this, QStringLiteral("lblGalaxyFile"), QStringLiteral("Galaxy File:"), QRect(3480, 240, 1095, 255));
    for (int n = 1; n <= Declare::kGalaxyEntries; ++n) {
        createRow(n);
    }
    cmdExit = twips::Place<QPushButton>(this, QStringLiteral("cmdExit"), 2280, 2640, 1095, 375);
    cmdExit->setText(QStringLiteral("Exit"));
    cmdSave = twips::Place<QPushButton>(this, QStringLiteral("cmdSave"), 3480, 2640, 1095, 375);
    cmdSave->setText(QStringLiteral("Save"));
    // Neither button is the editor's default: Enter in a box saves nothing.
    for (QPushButton* button : {cmdExit, cmdSave}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    txtGalaxyfile[1]->installEventFilter(this);
    setTabOrder();
}

void frmModifyList::createRow(int n)
{
    const auto i = static_cast<std::size_t>(n);
    const int top = kRowTop[n];
    lblGalaxy[i] = Head(this, QStringLiteral("lblGalaxy%1").arg(n), QStringLiteral("Galaxy %1 :").arg(n),
                        QRect(120, top, kHeadWidth[n], 255));
    txtGalaxy[i] = twips::Place<QLineEdit>(this, QStringLiteral("txtGalaxy%1").arg(n), 1320, top, 1935, 285);
    txtGalaxyfile[i] = twips::Place<QLineEdit>(this, QStringLiteral("txtGalaxyfile%1").arg(n), 3480, top, 1095, 285);
}

void frmModifyList::setTabOrder()
{
    QList<QWidget*> order;
    for (int n = 1; n <= Declare::kGalaxyEntries; ++n) {
        order.append(txtGalaxy[static_cast<std::size_t>(n)]);
    }
    for (int n = 1; n <= Declare::kGalaxyEntries; ++n) {
        order.append(txtGalaxyfile[static_cast<std::size_t>(n)]);
    }
    order.append(cmdSave);
    order.append(cmdExit);
    for (qsizetype k = 1; k < order.size(); ++k) {
        QWidget::setTabOrder(order[k - 1], order[k]);
    }
}

// Shows the Galaxy List as the program holds it, every text from its first
// character: the caret that setting a text leaves at its end would scroll a
// long one to its tail.
void frmModifyList::Form_Load()
{
    for (int n = 1; n <= Declare::kGalaxyEntries; ++n) {
        const auto i = static_cast<std::size_t>(n);
        txtGalaxy[i]->setText(Declare::pstrGalaxyName[i]);
        txtGalaxy[i]->setCursorPosition(0);
        txtGalaxyfile[i]->setText(Declare::pstrGalaxyFile[i]);
        txtGalaxyfile[i]->setCursorPosition(0);
    }
}

bool frmModifyList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtGalaxyfile[1] && event->type() == QEvent::KeyPress) {
        return txtGalaxyfile1_KeyPress(static_cast<const QKeyEvent*>(event));
    }
    return QDialog::eventFilter(watched, event);
}

// Enter presses the focused button, as Space does, and nothing else; Esc is
// Exit (the dialog's reject).
void frmModifyList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

// True when the typed character is one that cannot stand in a file name; it
// is then dropped without a sound.
bool frmModifyList::txtGalaxyfile1_KeyPress(const QKeyEvent* event)
{
    const QString typed = event->text();
    return typed.size() == 1 && kRefusedInFileName.contains(typed.at(0));
}

// Stores the four entries as typed, says so and closes. When the store
// refuses them (its lock held too long by another program included), the
// editor stays open with what was typed, the user is told with the generic
// error, and a second Save can try again.
void frmModifyList::cmdSave_Click()
{
    if (!saveEntries()) {
        messages::ShowGenericError(m_desktop, this);
        return;
    }
    emit saved();
    accept();
}

bool frmModifyList::saveEntries()
{
    QList<settings::GalaxyEntry> entries;
    for (int n = 1; n <= Declare::kGalaxyEntries; ++n) {
        const auto i = static_cast<std::size_t>(n);
        entries.append(settings::GalaxyEntry{n, txtGalaxy[i]->text(), txtGalaxyfile[i]->text()});
    }
    return settings::WriteGalaxyList(entries);
}

void frmModifyList::cmdExit_Click()
{
    reject();
}
