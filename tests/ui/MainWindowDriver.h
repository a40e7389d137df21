// Driving the main window as a player does: starting and ending it, the dump
// button, and acting in the modal Galaxy List editor.
#pragma once

#include "UiFixture.h"
#include "windows/frmAutoCheck.h"
#include "windows/frmMerge.h"
#include "windows/frmOpenText.h"
#include "windows/frmQuarrimax.h"

#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace uitest {

// Starts the main window as the program does and shows it, made with the
// test's scripted services or with the desktop's services given.
inline QPointer<frmQuarrimax> Start(platform::Platform& desktop = Desktop())
{
    QPointer<frmQuarrimax> window = new frmQuarrimax(desktop);
    window->show();
    return window;
}

// Ends the run: the main window closes, the other windows go, the galaxy
// state is emptied for the next test.
inline void Stop(QPointer<frmQuarrimax>& window)
{
    delete Opened<frmAutoCheck>();
    delete Opened<frmMerge>();
    delete Opened<frmOpenText>();
    if (window) {
        window->close();
        delete window;
    }
    testsupport::ResetGalaxyState();
}

inline void Dump(frmQuarrimax* window)
{
    QTest::mouseClick(Find<QPushButton>(window, "cmdRetrive"), Qt::LeftButton);
}

// Clicks "Modify list" and acts in the modal editor while it is open; the
// editor is closed afterwards whatever was done in it. False when the editor
// never came up.
inline bool UseEditor(frmQuarrimax* window, const std::function<void(QDialog*)>& act)
{
    bool reached = false;
    QTimer::singleShot(0, window, [&] {
        auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (editor == nullptr || editor->objectName() != QLatin1String("frmModifyList")) {
            if (editor != nullptr) {
                editor->reject();
            }
            return;
        }
        reached = true;
        act(editor);
        if (editor->isVisible()) {
            editor->reject();
        }
    });
    QTest::mouseClick(Find<QPushButton>(window, "cmdModifyList"), Qt::LeftButton);
    return reached;
}

} // namespace uitest
