#include "frmMerge.h"

#include "WindowLook.h"
#include "galaxy/GalaxyMerge.h"
#include "galaxy/SystemFile.h"
#include "platform/Platform.h"
#include "platform/SystemServices.h"
#include "state/Declare.h"
#include "widgets/BusyPointer.h"
#include "widgets/OneWindow.h"
#include "widgets/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace {

constexpr int kClientWidth = 4245;
constexpr int kClientHeight = 3030;
const QSize kBrowsePicture(25, 26);
const QSize kBackdropPicture(142, 540);

const QString kEmptyFieldTitle = QStringLiteral("File Not found");
const QString kEmptyFieldText = QStringLiteral("You must enter The file to merge from and the file to merge in.");
const QString kNoSourceTitle = QStringLiteral("File Not Found");
const QString kNoSourceText = QStringLiteral("The file to merge From MUST exist");
const QString kSuccessTitle = QStringLiteral("Merge Successful");
const QString kSuccessText = QStringLiteral("Merge completed Successfully");
const QString kFailureTitle = QStringLiteral("Merge Failed");

// The source must be a file that exists; a folder is none. Asked of the
// galaxy core, which opens it, so that both take the name by one rule.
bool SourceFileExists(const QString& path)
{
    return galaxy::IsExistingPlainFile(Declare::FsPath(path));
}

QString FailureText(const galaxy::GalaxyResult& result)
{
    return QStringLiteral("The following unexpected Error Occured:") + QString::number(result.number())
           + QStringLiteral(":") + QString::fromStdString(result.description())
           + QStringLiteral(" The merge will stop here.");
}

QLabel* YellowLabel(QWidget* parent, const QString& name, const QString& text, QRect geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, look::kCaptionYellow);
    label->setPalette(palette);
    label->setAutoFillBackground(false);
    label->setGeometry(geometry);
    return label;
}

QLineEdit* PathField(QWidget* parent, const QString& name, QRect geometry)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setMaxLength(std::numeric_limits<int>::max());
    field->setGeometry(geometry);
    return field;
}

QPushButton* Button(QWidget* parent, const QString& name, const QString& text, QRect geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(geometry);
    return button;
}

} // namespace

frmMerge* frmMerge::Show(platform::Platform& desktop)
{
    return look::OneWindow<frmMerge>::Show([&desktop] { return new frmMerge(desktop); });
}

frmMerge::frmMerge(platform::Platform& desktop, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint),
      m_desktop(desktop)
{
    setObjectName(QStringLiteral("frmMerge"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Merge"));
    setWindowIcon(look::ProgramIcon());
    setFixedSize(twips::Size(kClientWidth, kClientHeight));
    setFont(look::DialogFont());
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    // The picture lies behind every other control; only a band of it shows.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twips::Rect(1800, -2760, 2130, 8100));
    look::KeepSharp(Image1, [](qreal ratio) {
        return look::Picture(QStringLiteral("merge/backdrop"), kBackdropPicture, ratio, Qt::transparent);
    });

    lblFile1 = YellowLabel(this, QStringLiteral("lblFile1"), QStringLiteral("File to merge In"),
                           twips::Rect(240, 120, 2775, 255));
    txtMergeIn = PathField(this, QStringLiteral("txtMergeIn"), twips::Rect(240, 480, 3855, 285));
    cmdBrowse1 = Button(this, QStringLiteral("cmdBrowse1"), QString(), twips::Rect(240, 840, 375, 375));
    lblFile2 = YellowLabel(this, QStringLiteral("lblFile2"), QStringLiteral("File to Merge From"),
                           twips::Rect(240, 1320, 3615, 255));
    txtMergeFrom = PathField(this, QStringLiteral("txtMergeFrom"), twips::Rect(240, 1680, 3855, 285));
    cmdBrowse2 = Button(this, QStringLiteral("cmdBrowse2"), QString(), twips::Rect(240, 2040, 375, 375));
    cmdClose = Button(this, QStringLiteral("cmdClose"), QStringLiteral("Close"), twips::Rect(240, 2520, 1335, 375));
    cmdStart = Button(this, QStringLiteral("cmdStart"), QStringLiteral("Start"), twips::Rect(2760, 2520, 1335, 375));

    const QIcon browse = look::PictureIcon(QStringLiteral("merge/browse"));
    for (QPushButton* button : {cmdBrowse1, cmdBrowse2}) {
        button->setIcon(browse);
        button->setIconSize(kBrowsePicture);
    }
    // The picture buttons have no caption; a screen reader says what they do.
    cmdBrowse1->setAccessibleName(QStringLiteral("Browse for the file to merge in"));
    cmdBrowse2->setAccessibleName(QStringLiteral("Browse for the file to merge from"));

    setTabOrder(txtMergeIn, cmdBrowse1);
    setTabOrder(cmdBrowse1, txtMergeFrom);
    setTabOrder(txtMergeFrom, cmdBrowse2);
    setTabOrder(cmdBrowse2, cmdStart);
    setTabOrder(cmdStart, cmdClose);
    txtMergeIn->setFocus();

    connect(cmdBrowse1, &QPushButton::clicked, this, &frmMerge::cmdBrowse1_Click);
    connect(cmdBrowse2, &QPushButton::clicked, this, &frmMerge::cmdBrowse2_Click);
    connect(cmdStart, &QPushButton::clicked, this, &frmMerge::cmdStart_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmMerge::cmdClose_Click);

    Form_Load();
}

void frmMerge::Form_Load()
{
    m_cdlMainInitDir = platform::SystemServices::current().programFolder();
}

void frmMerge::cmdBrowse1_Click()
{
    browse(txtMergeIn);
}

void frmMerge::cmdBrowse2_Click()
{
    browse(txtMergeFrom);
}

void frmMerge::browse(QLineEdit* field)
{
    // A cancelled dialog leaves the field as it was.
    const std::optional<QString> chosen = m_desktop.openFileDialog(this, QString(), m_cdlMainInitDir);
    if (chosen) {
        field->setText(*chosen);
    }
}

// One message box with an OK button.
void frmMerge::tell(platform::MessageIcon icon, const QString& title, const QString& text)
{
    m_desktop.messageBox(this, icon, platform::MessageButtons::Ok, title, text);
}

void frmMerge::cmdStart_Click()
{
    BusyPointer busy;
    const QString target = txtMergeIn->text();
    const QString source = txtMergeFrom->text();
    if (target.isEmpty() || source.isEmpty()) {
        busy.restore();
        tell(platform::MessageIcon::Critical, kEmptyFieldTitle, kEmptyFieldText);
        return;
    }
    if (!SourceFileExists(source)) {
        busy.restore();
        tell(platform::MessageIcon::Critical, kNoSourceTitle, kNoSourceText);
        return;
    }
    // Relative paths are taken as they stand, against the working folder.
    const galaxy::GalaxyResult result = galaxy::MergeGalaxyFiles(Declare::FsPath(target), Declare::FsPath(source));
    busy.restore();
    if (result.ok()) {
        tell(platform::MessageIcon::Information, kSuccessTitle, kSuccessText);
    } else {
        tell(platform::MessageIcon::Critical, kFailureTitle, FailureText(result));
    }
}

void frmMerge::cmdClose_Click()
{
    close();
}
