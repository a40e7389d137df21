#include "frmQuarrimax.h"

#include "Messages.h"
#include "WindowLook.h"
#include "frmAbout.h"
#include "frmAutoCheck.h"
#include "frmMerge.h"
#include "frmModifyList.h"
#include "frmOpenText.h"
#include "galaxy/PlanetLine.h"
#include "galaxy/PlanetReport.h"
#include "platform/Platform.h"
#include "platform/Regional.h"
#include "platform/VersionRecord.h"
#include "settings/Schema.h"
#include "state/Declare.h"
#include "widgets/BusyPointer.h"
#include "widgets/Twips.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <limits>

using platform::MessageButtons;
using platform::MessageIcon;

namespace {

// Client heights of the window with the options panel closed and open: the
// window heights of 2055 and 4365 twips less the title bar and borders.
constexpr int kClientWidth = 3870;
constexpr int kClosedHeight = 1680;
constexpr int kOpenHeight = 4365 - 375;

// Selects or unselects an option button; unselecting needs the exclusivity
// lifted, since a group's selected button cannot be unselected otherwise.
void SetSelected(QRadioButton* button, bool selected)
{
    if (selected) {
        button->setChecked(true);
        return;
    }
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

// The character a key types, as the keyboard delivers it to a text box: Ctrl
// with a letter types its control character, Backspace, Enter and Escape type
// theirs, and keys that edit or move (Delete, the arrows) type none.
QChar TypedCharacter(const QKeyEvent* event)
{
    const auto modifiers = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event->key();
    if (modifiers == Qt::ControlModifier && key >= Qt::Key_A && key <= Qt::Key_Z) {
        return QChar(key - Qt::Key_A + 1);
    }
    switch (key) {
    case Qt::Key_Backspace: return QChar(8);
    case Qt::Key_Return:
    case Qt::Key_Enter: return QChar(13);
    case Qt::Key_Escape: return QChar(27);
    default: break;
    }
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint()) {
        return {};
    }
    return text.at(0);
}

// The threshold boxes take digits and Backspace; true when the key types
// anything else, which is then dropped without a sound.
bool RefusedByThreshold(const QKeyEvent* event)
{
    const QChar typed = TypedCharacter(event);
    if (typed.isNull()) {
        return false;
    }
    const char16_t code = typed.unicode();
    return !((code >= u'0' && code <= u'9') || code == 8);
}

// Selects the whole text with the caret at its start, so that a text longer
// than the box still shows from its first character.
void SelectWholeText(QLineEdit* box)
{
    const int length = static_cast<int>(box->text().size());
    box->setSelection(length, -length);
}

void FillEmptyWithZero(QLineEdit* box)
{
    if (box->text().isEmpty()) {
        box->setText(QStringLiteral("0"));
    }
}

// Typing and pasting fill a threshold box up to two characters. A longer text
// restored from the settings store shows whole, as it was stored, and can
// only get shorter.
constexpr int kThresholdLength = 2;

void LimitToText(QLineEdit* box, const QString& text)
{
    const qsizetype longest = std::numeric_limits<int>::max();
    const int limit = std::max(kThresholdLength, static_cast<int>(std::min(text.size(), longest)));
    // Setting the limit puts the text back and the cursor at its end.
    if (box->maxLength() != limit) {
        box->setMaxLength(limit);
    }
}

// A restored text shows from its first character: the caret that setting
// the text leaves at its end would scroll a long one to its tail.
void RestoreThreshold(QLineEdit* box, const QString& stored)
{
    LimitToText(box, stored);
    box->setText(stored);
    box->setCursorPosition(0);
}

// Focus that comes and goes with the whole window or with a pop-up menu is no
// focus change of the box itself.
bool IsOwnFocusChange(const QEvent* event)
{
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

bool IsLeftButton(const QEvent* event)
{
    return static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
}

// A file marked read-only: no one may write it. That is the read-only
// attribute on Windows, which the permissions reflect there, and no write
// permission for the owner, the group or anyone else elsewhere. Unlike asking
// whether this process may write it, the answer is the same for every user,
// root included.
bool MarkedReadOnly(const QFileInfo& file)
{
    constexpr QFileDevice::Permissions kAnyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return (file.permissions() & kAnyWrite) == QFileDevice::Permissions();
}

bool IsLeftClick(const QObject* watched, const QEvent* event)
{
    if (event->type() != QEvent::MouseButtonRelease) {
        return false;
    }
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    const auto* widget = static_cast<const QWidget*>(watched);
    return mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint());
}

} // namespace

frmQuarrimax::frmQuarrimax(platform::Platform& desktop, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint),
      m_desktop(desktop)
{
    setObjectName(QStringLiteral("frmQuarrimax"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(look::ProgramIcon());
    setFixedSize(twips::Size(kClientWidth, kClosedHeight));
    setFont(look::DialogFont());
    createControls();
    connectHandlers();
    Form_Load();
    look::CentreOnScreen(this);
}

frmQuarrimax::~frmQuarrimax()
{
    // The threshold fields go before this window does: from now on the
    // monitor finds no thresholds here.
    txtMinHab = nullptr;
    txtMinMetal = nullptr;
}

void frmQuarrimax::createControls()
{
    imgBackGround = twips::Place<QLabel>(this, "imgBackGround", -45, -330, 3960, 4365);
    imgBackGround->setScaledContents(true);
    createTopArea();
    createPanel();
    createClickTargets();
    createMenu();
    setTabOrder();
    nameCaptionedControls();
}

void frmQuarrimax::createTopArea()
{
    cmdRetrive = twips::Place<QPushButton>(this, "cmdRetrive", 2400, 240, 1335, 375);
    cmdRetrive->setText(QStringLiteral("Dump to file"));
    cmdMerge = twips::Place<QPushButton>(this, "cmdMerge", 2400, 720, 1335, 375);
    cmdMerge->setText(QStringLiteral("Merge"));
    cmdOptions = twips::Place<QPushButton>(this, "cmdOptions", 2400, 1200, 1335, 375);
    cmdOptions->setText(QStringLiteral("Options >>"));
    chkOpen = twips::Place<QCheckBox>(this, "chkOpen", 240, 240, 195, 195);
    optQuarrimax = twips::Place<QRadioButton>(this, "optQuarrimax", 360, 720, 195, 195);
    optQuarrimax->setChecked(true);
    optQuarrimax->setEnabled(false);
    optNotePad = twips::Place<QRadioButton>(this, "optNotePad", 360, 1080, 195, 195);
    optNotePad->setEnabled(false);
    Line1 = twips::Place<QFrame>(this, "Line1", 120, kClosedHeight, 3600, 15);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Plain);
    Line1->setStyleSheet(QStringLiteral("color: %1;").arg(look::kBorderGrey.name()));
}

void frmQuarrimax::createPanel()
{
    txtMinHab = twips::Place<QLineEdit>(this, "txtMinHab", 3120, 1920, 495, 285);
    chkRating = twips::Place<QCheckBox>(this, "chkRating", 240, 3600, 195, 195);
    txtMinMetal = twips::Place<QLineEdit>(this, "txtMinMetal", 3120, 2400, 495, 285);
    for (QLineEdit* box : {txtMinHab, txtMinMetal}) {
        box->setMaxLength(kThresholdLength);
        box->setText(QStringLiteral("0"));
        box->setEnabled(false);
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, box, [box](const QString& text) { LimitToText(box, text); });
    }
    chkRating->setEnabled(false);
    cboGalaxies = twips::Place<QComboBox>(this, "cboGalaxies", 240, 3120, 2295, 315);
    QFont bold = cboGalaxies->font();
    bold.setBold(true);
    cboGalaxies->setFont(bold);
    cmdModifyList = twips::Place<QPushButton>(this, "cmdModifyList", 2640, 3120, 1095, 315);
    cmdModifyList->setText(QStringLiteral("Modify list"));
    cmdAutoCheck = twips::Place<QPushButton>(this, "cmdAutoCheck", 1800, 4320, 1335, 375);
    cmdAutoCheck->setText(QStringLiteral("AutoCheck"));
    cmdAutoCheck->setVisible(false);
    cmdAutoCheck->setEnabled(false);
}

void frmQuarrimax::createClickTargets()
{
    lblOpenAfter = twips::Place<QLabel>(this, "lblOpenAfter", 480, 240, 1695, 255);
    lblQuarrimax = twips::Place<QLabel>(this, "lblQuarrimax", 600, 720, 975, 255);
    lblNotePad = twips::Place<QLabel>(this, "lblNotePad", 600, 1080, 735, 255);
    for (QLabel* target : {lblOpenAfter, lblQuarrimax, lblNotePad}) {
        target->installEventFilter(this);
    }
    imgBackGround->installEventFilter(this);
}

void frmQuarrimax::createMenu()
{
    mnuMenu = new QMenu(QStringLiteral("Menu"), this);
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    mnuDump = mnuMenu->addAction(QStringLiteral("Dump to file"));
    mnuDump->setObjectName(QStringLiteral("mnuDump"));
    mnuMerge = mnuMenu->addAction(QStringLiteral("Merge"));
    mnuMerge->setObjectName(QStringLiteral("mnuMerge"));
    mnuOptions = mnuMenu->addAction(QStringLiteral("Options >>"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    s1 = mnuMenu->addSeparator();
    s1->setObjectName(QStringLiteral("s1"));
    mnuAbout = mnuMenu->addAction(QStringLiteral("About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
}

void frmQuarrimax::setTabOrder()
{
    const QList<QWidget*> order{cmdRetrive,  cmdMerge,    cmdOptions,    chkOpen,      txtMinHab,    chkRating,
                                txtMinMetal, cboGalaxies, cmdModifyList, cmdAutoCheck, optQuarrimax, optNotePad};
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
    for (QWidget* passive :
         {static_cast<QWidget*>(lblOpenAfter), static_cast<QWidget*>(lblQuarrimax), static_cast<QWidget*>(lblNotePad),
          static_cast<QWidget*>(Line1), static_cast<QWidget*>(imgBackGround)}) {
        passive->setFocusPolicy(Qt::NoFocus);
    }
}

// The controls whose captions are painted on the window's face get the
// words of their captions as their accessible names.
void frmQuarrimax::nameCaptionedControls()
{
    for (const look::PaintedCaption& caption : look::MainWindowCaptions()) {
        if (auto* control = findChild<QWidget*>(QString::fromLatin1(caption.control))) {
            control->setAccessibleName(look::AccessibleName(caption));
        }
    }
}

void frmQuarrimax::connectHandlers()
{
    connect(cmdRetrive, &QPushButton::clicked, this, &frmQuarrimax::cmdRetrive_Click);
    connect(cmdMerge, &QPushButton::clicked, this, &frmQuarrimax::cmdMerge_Click);
    connect(cmdOptions, &QPushButton::clicked, this, &frmQuarrimax::cmdOptions_Click);
    connect(cmdModifyList, &QPushButton::clicked, this, &frmQuarrimax::cmdModifyList_Click);
    connect(cmdAutoCheck, &QPushButton::clicked, this, &frmQuarrimax::cmdAutoCheck_Click);
    connect(chkOpen, &QCheckBox::toggled, this, &frmQuarrimax::chkOpen_Click);
    connect(cboGalaxies, &QComboBox::activated, this, &frmQuarrimax::cboGalaxies_Click);
    connect(mnuDump, &QAction::triggered, this, &frmQuarrimax::mnuDump_Click);
    connect(mnuMerge, &QAction::triggered, this, &frmQuarrimax::mnuMerge_Click);
    connect(mnuOptions, &QAction::triggered, this, &frmQuarrimax::mnuOptions_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmQuarrimax::mnuAbout_Click);
}

// The window's face: the space scene with the words of the controls whose own
// captions do not show. The picture starts 45 twips left of and 330 twips
// above the client area.
QPixmap frmQuarrimax::paintBackground(qreal devicePixelRatio) const
{
    return look::MainWindowFace(imgBackGround->size(), imgBackGround->pos(), devicePixelRatio);
}

// Startup, before the window is first shown.
void frmQuarrimax::Form_Load()
{
    OptionsShown = false;
    setWindowTitle(platform::VersionByline());
    {
        // The store is read once for the options and the Galaxy List.
        settings::Store store(settings::Store::Use::Read);
        restoreOptions(store);
        LoadGalaxyList(store);
    }
    if (cboGalaxies->count() > 0) {
        cboGalaxies->setCurrentIndex(0);
        cboGalaxies_Click();
    }
    imgBackGround->setGeometry(twips::Rect(-45, -330, twips::Tw(width()) + 90, 4365));
    look::KeepSharp(imgBackGround, [this](qreal ratio) { return paintBackground(ratio); });
}

void frmQuarrimax::restoreOptions(settings::Store& store)
{
    const settings::Options options = settings::ReadOptions(store);
    RestoreThreshold(txtMinHab, options.hab);
    RestoreThreshold(txtMinMetal, options.met);
    chkRating->setChecked(options.rating);
    chkOpen->setChecked(options.open);
    SetSelected(optQuarrimax, options.reader);
    SetSelected(optNotePad, options.notePad);
    if (!optQuarrimax->isChecked() && !optNotePad->isChecked()) {
        optQuarrimax->setChecked(true);
    }
}

// Writes the six dump options, stopping at the first that the store refuses.
bool frmQuarrimax::storeOptions()
{
    return settings::WriteOptions(settings::Options{txtMinHab->text(), txtMinMetal->text(), chkRating->isChecked(),
                                                    chkOpen->isChecked(), optQuarrimax->isChecked(),
                                                    optNotePad->isChecked()});
}

// Reads Galaxy List entries 1 to 4 from the store into the Galaxy List in
// memory and offers the named ones in the galaxy selector, in entry order, each
// item carrying its entry number. Neither empties the selector nor selects an
// item (the selector would select its first item when filled from empty), and
// leaves the selection and the open galaxy file as they are.
void frmQuarrimax::LoadGalaxyList()
{
    settings::Store store(settings::Store::Use::Read);
    LoadGalaxyList(store);
}

void frmQuarrimax::LoadGalaxyList(settings::Store& store)
{
    const int selected = cboGalaxies->currentIndex();
    for (int n = 1; n <= Declare::kGalaxyEntries; ++n) {
        const settings::GalaxyEntry entry = settings::ReadGalaxyEntry(store, n);
        const auto i = static_cast<std::size_t>(n);
        Declare::pstrGalaxyName[i] = entry.name;
        Declare::pstrGalaxyFile[i] = entry.file;
        if (!entry.name.isEmpty()) {
            cboGalaxies->addItem(entry.name, n);
        }
    }
    if (cboGalaxies->currentIndex() != selected) {
        cboGalaxies->setCurrentIndex(selected);
    }
}

// The editor stored the Galaxy List: the selector offers it anew as read back
// from the store, and nothing is selected; the last selection's file stays
// open and current.
void frmQuarrimax::galaxyListSaved()
{
    cboGalaxies->clear();
    LoadGalaxyList();
}

void frmQuarrimax::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmQuarrimax::Form_Unload()
{
    (void)Declare::openGalaxyFile.close();
}

bool frmQuarrimax::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtMinHab || watched == txtMinMetal) {
        return thresholdEvent(static_cast<QLineEdit*>(watched), event);
    }
    if (watched == imgBackGround && event->type() == QEvent::MouseButtonPress) {
        imgBackGround_MouseDown(static_cast<QMouseEvent*>(event));
        return false;
    }
    return clickTargetEvent(watched, event) || QWidget::eventFilter(watched, event);
}

// Hands the focus changes and typed keys of a threshold box to its handlers;
// true when the key is dropped.
bool frmQuarrimax::thresholdEvent(QLineEdit* box, QEvent* event)
{
    const bool hab = box == txtMinHab;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<const QKeyEvent*>(event);
        return hab ? txtMinHab_KeyPress(key) : txtMinMetal_KeyPress(key);
    }
    case QEvent::FocusIn:
        if (IsOwnFocusChange(event)) {
            hab ? txtMinHab_GotFocus() : txtMinMetal_GotFocus();
            const bool byMouse = static_cast<const QFocusEvent*>(event)->reason() == Qt::MouseFocusReason;
            m_focusClickBox = byMouse ? box : nullptr;
        }
        return false;
    case QEvent::MouseButtonPress:
        if (m_focusClickBox == box && !IsLeftButton(event)) {
            m_focusClickBox = nullptr;
        }
        return false;
    case QEvent::MouseButtonRelease:
        // The press that gave the box the focus went on to place the caret
        // and so undid the selection; the end of that click selects the whole
        // text again, unless the player dragged over a part of it.
        if (m_focusClickBox == box && IsLeftButton(event)) {
            m_focusClickBox = nullptr;
            if (!box->hasSelectedText()) {
                hab ? txtMinHab_GotFocus() : txtMinMetal_GotFocus();
            }
        }
        return false;
    case QEvent::FocusOut:
        if (m_focusClickBox == box) {
            m_focusClickBox = nullptr;
        }
        if (IsOwnFocusChange(event)) {
            hab ? txtMinHab_LostFocus() : txtMinMetal_LostFocus();
        }
        return false;
    default: return false;
    }
}

bool frmQuarrimax::clickTargetEvent(QObject* watched, QEvent* event)
{
    if (!IsLeftClick(watched, event)) {
        return false;
    }
    if (watched == lblOpenAfter) {
        lblOpenAfter_Click();
    } else if (watched == lblQuarrimax) {
        lblQuarrimax_Click();
    } else if (watched == lblNotePad) {
        lblNotePad_Click();
    } else {
        return false;
    }
    return true;
}

void frmQuarrimax::cmdRetrive_Click()
{
    dumpPlanets();
}

void frmQuarrimax::mnuDump_Click()
{
    dumpPlanets();
}

void frmQuarrimax::cmdMerge_Click()
{
    frmMerge::Show(m_desktop);
}

void frmQuarrimax::mnuMerge_Click()
{
    frmMerge::Show(m_desktop);
}

void frmQuarrimax::cmdOptions_Click()
{
    setPanelOpen(!OptionsShown);
}

void frmQuarrimax::mnuOptions_Click()
{
    cmdOptions_Click();
}

void frmQuarrimax::setPanelOpen(bool open)
{
    txtMinHab->setEnabled(open);
    txtMinMetal->setEnabled(open);
    chkRating->setEnabled(open);
    setFixedSize(twips::Size(kClientWidth, open ? kOpenHeight : kClosedHeight));
    OptionsShown = open;
}

void frmQuarrimax::cmdModifyList_Click()
{
    frmModifyList editor(m_desktop, this);
    connect(&editor, &frmModifyList::saved, this, &frmQuarrimax::galaxyListSaved);
    editor.exec();
}

void frmQuarrimax::cmdAutoCheck_Click()
{
    frmAutoCheck::Show(m_desktop, thresholdSource());
}

frmAutoCheck::ThresholdSource frmQuarrimax::thresholdSource() const
{
    // The monitor holds this window, never its fields: the window reads them
    // for it, and once the window is gone there is nothing to read.
    return [window = QPointer<const frmQuarrimax>(this)]() -> std::optional<frmAutoCheck::ThresholdTexts> {
        if (!window) {
            return std::nullopt;
        }
        return window->thresholdTexts();
    };
}

std::optional<frmAutoCheck::ThresholdTexts> frmQuarrimax::thresholdTexts() const
{
    if (txtMinHab == nullptr || txtMinMetal == nullptr) {
        return std::nullopt;
    }
    return frmAutoCheck::ThresholdTexts{txtMinHab->text(), txtMinMetal->text()};
}

void frmQuarrimax::mnuAbout_Click()
{
    frmAbout::Show();
}

void frmQuarrimax::chkOpen_Click()
{
    const bool ticked = chkOpen->isChecked();
    optQuarrimax->setEnabled(ticked);
    optNotePad->setEnabled(ticked);
}

void frmQuarrimax::lblOpenAfter_Click()
{
    chkOpen->setChecked(!chkOpen->isChecked());
}

void frmQuarrimax::lblQuarrimax_Click()
{
    optQuarrimax->setChecked(true);
}

void frmQuarrimax::lblNotePad_Click()
{
    optNotePad->setChecked(true);
}

void frmQuarrimax::imgBackGround_MouseDown(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        mnuMenu->popup(event->globalPosition().toPoint());
    }
}

// The Galaxy List entry of the selected galaxy: the entry whose name the item
// shows, so that entries without a name shift no later entry. Entry 0, the
// always empty one, when nothing is selected.
int frmQuarrimax::selectedEntry() const
{
    const int position = cboGalaxies->currentIndex();
    if (position < 0) {
        return 0;
    }
    bool ok = false;
    const int entry = cboGalaxies->itemData(position).toInt(&ok);
    if (ok && entry >= 1 && entry <= Declare::kGalaxyEntries) {
        return entry;
    }
    return std::min(position + 1, Declare::kGalaxyEntries);
}

// Selecting a galaxy opens its file, or says that it is missing.
void frmQuarrimax::cboGalaxies_Click()
{
    const int index = selectedEntry();
    switch (Declare::SelectGalaxy(index)) {
    case Declare::Selection::Opened: break;
    case Declare::Selection::Missing: showMissingGalaxyFile(index); break;
    case Declare::Selection::Unreadable: showGenericError(); break;
    }
}

void frmQuarrimax::txtMinHab_GotFocus()
{
    SelectWholeText(txtMinHab);
}

void frmQuarrimax::txtMinMetal_GotFocus()
{
    SelectWholeText(txtMinMetal);
}

bool frmQuarrimax::txtMinHab_KeyPress(const QKeyEvent* event)
{
    return RefusedByThreshold(event);
}

bool frmQuarrimax::txtMinMetal_KeyPress(const QKeyEvent* event)
{
    return RefusedByThreshold(event);
}

void frmQuarrimax::txtMinHab_LostFocus()
{
    FillEmptyWithZero(txtMinHab);
}

void frmQuarrimax::txtMinMetal_LostFocus()
{
    FillEmptyWithZero(txtMinMetal);
}

// The planet dump: the hourglass from the start to every way out, and one
// generic message for every failure, shown with the normal pointer.
void frmQuarrimax::dumpPlanets()
{
    BusyPointer busy;
    bool done = false;
    try {
        done = runDump();
    } catch (...) {
        done = false;
    }
    if (!done) {
        busy.restore();
        showGenericError();
    }
}

// The steps of the dump; false on a failure that the generic message reports.
bool frmQuarrimax::runDump()
{
    if (!storeOptions()) {
        return false;
    }
    const int position = cboGalaxies->currentIndex();
    if (!Declare::pstrCurrentGalaxyFile.isEmpty() && !Declare::GalaxyFileExists(Declare::pstrCurrentGalaxyFile)) {
        showMissingGalaxyFile(selectedEntry());
        return true;
    }
    if (position < 0) {
        m_desktop.messageBox(this, MessageIcon::Critical, MessageButtons::Ok, QStringLiteral("No Galaxy Selected"),
                             QStringLiteral("You must Select a Galaxy to Retrive data from"));
        return true;
    }
    // The galaxy's name means the file it names now, not one that another
    // program has put aside since the selection opened it.
    if (!Declare::ReopenReplacedGalaxyFile()) {
        return false;
    }
    // A report marked read-only is kept like one that cannot be deleted, on
    // every system alike. A link in the report's place is removed, never
    // written through, even when it leads nowhere.
    const QString report = Declare::ReportPath();
    const QFileInfo oldReport(report);
    if (oldReport.isSymLink()) {
        if (!QFile::remove(report)) {
            return false;
        }
    } else if (oldReport.exists() && (MarkedReadOnly(oldReport) || !QFile::remove(report))) {
        return false;
    }
    // A threshold beyond the 16-bit range fails the dump.
    const std::optional<galaxy::Thresholds> thresholds = galaxy::ThresholdsOf(
        txtMinHab->text().toStdString(), txtMinMetal->text().toStdString(), galaxy::OutOfRange::Refused);
    if (!thresholds) {
        return false;
    }
    const galaxy::GalaxyFile* open = Declare::openGalaxyFile.isOpen() ? &Declare::openGalaxyFile : nullptr;
    if (!galaxy::WritePlanetReport(open, Declare::FsPath(report), thresholds->minHab, thresholds->minMet,
                                   chkRating->isChecked(), platform::DecimalSeparator())
             .ok()) {
        return false;
    }
    return !chkOpen->isChecked() || openReport();
}

// Shows the finished report in the chosen viewer; false when the external
// editor could not be started.
bool frmQuarrimax::openReport()
{
    if (optQuarrimax->isChecked()) {
        // The viewer may close itself at once when the report is too big for
        // it; it has then offered the external editor, and that is no failure.
        frmOpenText::Show(m_desktop, this);
        return true;
    }
    if (!m_desktop.externalEditorExists()) {
        messages::ShowEditorMissing(m_desktop, this);
        return true;
    }
    return m_desktop.startExternalEditor(Declare::ReportPath());
}

void frmQuarrimax::showMissingGalaxyFile(int index)
{
    messages::ShowMissingGalaxyFile(m_desktop, this, Declare::pstrGalaxyName.at(static_cast<std::size_t>(index)));
}

void frmQuarrimax::showGenericError()
{
    messages::ShowGenericError(m_desktop, this);
}
