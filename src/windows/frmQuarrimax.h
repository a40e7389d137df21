// The main window: the dump command, the choice of viewer, the options panel
// with the thresholds, the galaxy selector and the rating choice, and the
// commands that open every other window.
#pragma once

#include "frmAutoCheck.h"
#include "settings/Schema.h"

#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace platform {
class Platform;
}

class frmQuarrimax : public QWidget {
    Q_OBJECT

public:
    // The window and every window it opens ask and tell the user through the
    // desktop's services given here.
    explicit frmQuarrimax(platform::Platform& desktop, QWidget* parent = nullptr);
    ~frmQuarrimax() override;

    // Where the auto-check monitor reads the thresholds: the two threshold
    // fields as they stand at each tick, for as long as this window exists.
    frmAutoCheck::ThresholdSource thresholdSource() const;

    // Reads the Galaxy List from the settings store into memory and offers
    // its named entries in the galaxy selector, after those it holds.
    void LoadGalaxyList();

public slots:
    void cmdOptions_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Building the window.
    void createControls();
    void createTopArea();
    void createPanel();
    void createClickTargets();
    void createMenu();
    void setTabOrder();
    void nameCaptionedControls();
    void connectHandlers();
    QPixmap paintBackground(qreal devicePixelRatio) const;

    // Startup and the options.
    void Form_Load();
    void restoreOptions(settings::Store& store);
    bool storeOptions();
    void LoadGalaxyList(settings::Store& store);
    void galaxyListSaved();
    void Form_Unload();

    // Handlers of the controls.
    void cmdRetrive_Click();
    void mnuDump_Click();
    void cmdMerge_Click();
    void mnuMerge_Click();
    void mnuOptions_Click();
    void cmdModifyList_Click();
    void cmdAutoCheck_Click();
    void mnuAbout_Click();
    void chkOpen_Click();
    void lblOpenAfter_Click();
    void lblQuarrimax_Click();
    void lblNotePad_Click();
    void imgBackGround_MouseDown(QMouseEvent* event);
    void cboGalaxies_Click();
    void txtMinHab_GotFocus();
    void txtMinMetal_GotFocus();
    bool txtMinHab_KeyPress(const QKeyEvent* event);
    bool txtMinMetal_KeyPress(const QKeyEvent* event);
    void txtMinHab_LostFocus();
    void txtMinMetal_LostFocus();

    // Routing of the events of the controls to their handlers.
    bool thresholdEvent(QLineEdit* box, QEvent* event);
    bool clickTargetEvent(QObject* watched, QEvent* event);

    // The planet dump.
    void dumpPlanets();
    bool runDump();
    bool openReport();
    void showMissingGalaxyFile(int index);
    void showGenericError();

    void setPanelOpen(bool open);
    int selectedEntry() const;
    // The two threshold fields as they stand; nothing once they are gone.
    std::optional<frmAutoCheck::ThresholdTexts> thresholdTexts() const;

    platform::Platform& m_desktop;
    bool OptionsShown = false;
    // The threshold box that a mouse press has just given the focus, until
    // that click ends.
    QLineEdit* m_focusClickBox = nullptr;

    QPushButton* cmdRetrive = nullptr;
    QPushButton* cmdMerge = nullptr;
    QPushButton* cmdOptions = nullptr;
    QCheckBox* chkOpen = nullptr;
    QLineEdit* txtMinHab = nullptr;
    QCheckBox* chkRating = nullptr;
    QLineEdit* txtMinMetal = nullptr;
    QComboBox* cboGalaxies = nullptr;
    QPushButton* cmdModifyList = nullptr;
    QPushButton* cmdAutoCheck = nullptr;
    QRadioButton* optQuarrimax = nullptr;
    QRadioButton* optNotePad = nullptr;
    QLabel* lblOpenAfter = nullptr;
    QLabel* lblQuarrimax = nullptr;
    QLabel* lblNotePad = nullptr;
    QFrame* Line1 = nullptr;
    QLabel* imgBackGround = nullptr;

    QMenu* mnuMenu = nullptr;
    QAction* mnuDump = nullptr;
    QAction* mnuMerge = nullptr;
    QAction* mnuOptions = nullptr;
    QAction* s1 = nullptr;
    QAction* mnuAbout = nullptr;
};
