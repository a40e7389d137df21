// The merge window: the user names the galaxy file to merge in (the target)
// and the one to merge from (the source), typed or picked with the file-open
// dialog, and Start appends the source's systems that the target lacks.
#pragma once

#include "platform/Platform.h"

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

class frmMerge : public QWidget {
    Q_OBJECT

public:
    // Shows the merge window, modeless, asking the user through the desktop's
    // services; one that is open already is only brought forward with its
    // fields as they are.
    static frmMerge* Show(platform::Platform& desktop);

    QLabel* Image1 = nullptr;
    QLabel* lblFile1 = nullptr;
    QLineEdit* txtMergeIn = nullptr;
    QPushButton* cmdBrowse1 = nullptr;
    QLabel* lblFile2 = nullptr;
    QLineEdit* txtMergeFrom = nullptr;
    QPushButton* cmdBrowse2 = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* cmdStart = nullptr;

public slots:
    void cmdBrowse1_Click();
    void cmdBrowse2_Click();
    void cmdStart_Click();
    void cmdClose_Click();

private:
    explicit frmMerge(platform::Platform& desktop, QWidget* parent = nullptr);
    void Form_Load();
    void browse(QLineEdit* field);
    void tell(platform::MessageIcon icon, const QString& title, const QString& text);

    platform::Platform& m_desktop;

    // The initial folder of the one file-open dialog of the window.
    QString m_cdlMainInitDir;
};
