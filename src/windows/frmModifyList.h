// The Galaxy List editor: the four galaxy names and the galaxy file of each.
// Save stores them and says so (saved), so that whoever opened the editor reads
// the Galaxy List back and offers it again; Exit and the close box leave
// everything as it was.
#pragma once

#include <QDialog>

#include <array>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace platform {
class Platform;
}

class frmModifyList : public QDialog {
    Q_OBJECT

public:
    // Tells of a refused Save through the desktop's services.
    explicit frmModifyList(platform::Platform& desktop, QWidget* parent = nullptr);

signals:
    // The four entries are stored; the editor closes right after.
    void saved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void createRow(int n);
    void setTabOrder();
    void Form_Load();
    bool saveEntries();

    void cmdSave_Click();
    void cmdExit_Click();
    bool txtGalaxyfile1_KeyPress(const QKeyEvent* event);

    platform::Platform& m_desktop;

    QLabel* Image1 = nullptr;
    QLabel* lblGalaxyName = nullptr;
    QLabel* lblGalaxyFile = nullptr;
    std::array<QLabel*, 5> lblGalaxy{};        // rows 1 to 4; index 0 unused
    std::array<QLineEdit*, 5> txtGalaxy{};     // rows 1 to 4; index 0 unused
    std::array<QLineEdit*, 5> txtGalaxyfile{}; // rows 1 to 4; index 0 unused
    QPushButton* cmdExit = nullptr;
    QPushButton* cmdSave = nullptr;
};
