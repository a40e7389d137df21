#include "frmAbout.h"

#include "WindowLook.h"
#include "platform/VersionRecord.h"
#include "widgets/OneWindow.h"
#include "widgets/Twips.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>

namespace {

// A line of light grey Arial text, centred, on a transparent background.
QLabel* TextLine(QWidget* parent, const char* name, int top, qreal pointSize)
{
    auto* line = twips::Place<QLabel>(parent, name, 90, top, 5055, 375);
    line->setTextFormat(Qt::PlainText);
    line->setAlignment(Qt::AlignCenter);
    line->setFont(look::ArialFont(pointSize, true));
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, look::kLightGrey);
    line->setPalette(palette);
    return line;
}

// A click with any mouse button: released over the widget it was pressed on.
bool IsClick(const QWidget* widget, const QMouseEvent* event)
{
    return widget->rect().contains(event->position().toPoint());
}

} // namespace

frmAbout* frmAbout::Show()
{
    return look::OneWindow<frmAbout>::Show([] { return new frmAbout; });
}

frmAbout::frmAbout() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(look::ProgramIcon());
    setFixedSize(twips::Size(5250, 3465));
    setFont(look::DialogFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    createControls();
    Form_Load();
    look::CentreOnScreen(this);
}

void frmAbout::createControls()
{
    lblTools = TextLine(this, "lblTools", 120, 20.25);
    lblTools->setText(QStringLiteral("The TARN's  Tools"));
    imgTarnLogo = twips::Place<QLabel>(this, "imgTarnLogo", 1425, 600, 2385, 2265);
    imgTarnLogo->setScaledContents(true);
    look::KeepSharp(imgTarnLogo, [this](qreal ratio) {
        return look::Picture(QStringLiteral("tarnlogo"), imgTarnLogo->size(), ratio);
    });
    lblVersion = TextLine(this, "lblVersion", 2880, 14.25);
    shpBorder = twips::Place<QFrame>(this, "shpBorder", 15, 15, 5235, 3450);
    shpBorder->setStyleSheet(QStringLiteral("QFrame#shpBorder { border: 1px solid %1; background: transparent; }")
                                 .arg(look::kBorderGrey.name()));
    // The outline takes no clicks of its own.
    shpBorder->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (QWidget* target :
         {static_cast<QWidget*>(lblTools), static_cast<QWidget*>(imgTarnLogo), static_cast<QWidget*>(lblVersion)}) {
        target->installEventFilter(this);
    }
}

void frmAbout::Form_Load()
{
    lblVersion->setText(platform::FinalVersionByline());
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonRelease
        || !IsClick(static_cast<QWidget*>(watched), static_cast<QMouseEvent*>(event))) {
        return QWidget::eventFilter(watched, event);
    }
    if (watched == imgTarnLogo) {
        imgTarnLogo_Click();
    } else if (watched == lblTools) {
        lblTools_Click();
    } else if (watched == lblVersion) {
        lblVersion_Click();
    } else {
        return QWidget::eventFilter(watched, event);
    }
    return true;
}

void frmAbout::mouseReleaseEvent(QMouseEvent* event)
{
    if (IsClick(this, event)) {
        Form_Click();
    }
}

void frmAbout::Form_Click()
{
    close();
}

void frmAbout::imgTarnLogo_Click()
{
    close();
}

void frmAbout::lblTools_Click()
{
    close();
}

void frmAbout::lblVersion_Click()
{
    close();
}
