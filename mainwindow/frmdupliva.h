#pragma once

#include "copyrun.h"
#include "frmabout.h"
#include "groupboard.h"
#include "grouphistory.h"
#include "services.h"

#include <QFutureWatcher>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>

class ClickableLabel;
class GroupListBox;
class QMimeData;
class QPushButton;


// The main window: the twenty groups, the banner, the button panel and the menu entry.
class frmDupliva : public QMainWindow {
    Q_OBJECT
public:
    explicit frmDupliva(const PlatformServices &platform);
    ~frmDupliva() override;

    GroupListBox *groupList(int number) const { return lists[number - 1]; }
    frmAbout *aboutWindow() const { return about; }

    void CmdStartCopy_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Label10_Click();
    void Help_Click();
    void List_OLEDragDrop(int group, const QMimeData &data);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::array<GroupList *, GroupCount> createDesign();
    QWidget *createFrames();
    void createBanner(QWidget *banner);
    void createGroups(QWidget *frame);
    void createButtonPanel(QWidget *panel);
    void createMenu();
    void createWindowKeys();
    void setTabOrder();
    void bindHandlers();
    void bindGroupEditing(int number);
    QPushButton *button(const char *name) const;
    void focusMenuBar();
    void noteKeyboardFocus(QObject *control, QEvent *event);
    void showFocusedTip();
    void describeDriveA();
    void showDriveDescription();
    bool entryEditable(int group, int index) const;
    void removeEntry(int group, int index);
    void moveEntry(int fromGroup, int index, int toGroup);
    void pasteFiles(int group);
    void setRunning(bool running);
    void showItemStarted(int group, int index);
    void runEnded();
    void reportLaunchFailure(const QString &failure);
    void Form_Unload();
    static QString farewellPrompt();

    PlatformServices platform;
    std::array<GroupListBox *, GroupCount> lists{};
    ClickableLabel *label10 = nullptr;
    GroupBoard board;
    CopyRun run;
    GroupHistory history{board};
    QAction *undoAction = nullptr;
    QAction *menuBarKey = nullptr;
    QPointer<frmAbout> about;
    struct DriveATexts {
        QString drive;
        QString run; // for "Copy to A:\" alone
    };
    QFutureWatcher<DriveATexts> driveDescription;
    bool running = false;
    bool closeRequested = false;
    QPointer<QWidget> focusBeforeRun;
    GroupListBox *listBeingCopied = nullptr; // its entry being copied is selected
    QPointer<QWidget> focusedByKeyboard; // a drive A button, which then shows its tooltip
    QTimer focusedTipDelay;
};
