// The report viewer: dump.txt from the program folder in a read-only,
// fixed-pitch text box. A report too big for it is offered to the external
// editor instead, and the viewer then closes before it is ever seen.
#pragma once

#include <QPointer>
#include <QWidget>

class QPlainTextEdit;

namespace platform {
class Platform;
}

class frmOpenText : public QWidget {
    Q_OBJECT

public:
    // Shows the viewer, modeless. A viewer that is open already is only
    // brought forward and keeps the text it shows; otherwise a new one loads
    // dump.txt first. Returns nullptr when the new viewer closed itself while
    // loading (the report was too big for it): that is no failure. The
    // messages of a new viewer, shown through the desktop's services, stand
    // over messageParent, since the viewer itself is not yet shown when they
    // come.
    static frmOpenText* Show(platform::Platform& desktop, QWidget* messageParent = nullptr);

    QPlainTextEdit* txtReport = nullptr;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    frmOpenText(platform::Platform& desktop, QWidget* messageParent);
    // Loads the report; false when the viewer is to close itself unseen.
    bool Form_Load();
    void offerExternalEditor();
    void Form_Resize();

    platform::Platform& m_desktop;
    QPointer<QWidget> m_messageParent;
};
