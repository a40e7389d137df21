// The credits window: a borderless black window with the credits line, the
// logo and the version line. Any click on it closes it.
#pragma once

#include <QWidget>

class QFrame;
class QLabel;

class frmAbout : public QWidget {
    Q_OBJECT

public:
    // Shows the About window, or brings the one already open forward.
    static frmAbout* Show();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    frmAbout();

    void createControls();
    void Form_Load();

    void Form_Click();
    void imgTarnLogo_Click();
    void lblTools_Click();
    void lblVersion_Click();

    QLabel* lblTools = nullptr;
    QLabel* imgTarnLogo = nullptr;
    QLabel* lblVersion = nullptr;
    QFrame* shpBorder = nullptr;
};
