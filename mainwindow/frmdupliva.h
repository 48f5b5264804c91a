#pragma once

#include "copyrun.h"
#include "frmabout.h"
#include "groupboard.h"
#include "services.h"
#include "workerjob.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QUndoStack>

#include <array>
#include <memory>

class ClickableLabel;
class GroupListBox;
class QMimeData;
class QPushButton;
class QUndoCommand;

// The main window: the twenty groups, the banner, the button panel and the menu entry.
class frmDupliva : public QMainWindow {
    Q_OBJECT
public:
    explicit frmDupliva(const PlatformServices &platform);
    ~frmDupliva() override;

    GroupListBox *groupList(int number) const { return lists[number - 1]; }
    GroupBoard &groupBoard() { return board; }
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
    void createDesign();
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
    struct DriveATexts {
        QString drive;
        QString run; // for "Copy to A:\" alone
    };
    void showDriveDescription(const DriveATexts &texts);
    void perform(std::unique_ptr<QUndoCommand> command);
    void pasteFiles(int group);
    void showPlacesOf(const QString &source);
    void forgetErasedDisk();
    void setRunning(bool running);
    void parkFocus();
    void forgetEntryBeingCopied();
    void showItemStarted(int group, int index);
    void runEnded();
    void reportLaunchFailure(const QString &failure);
    void Form_Unload();
    static QString farewellPrompt();

    PlatformServices platform;
    GroupBoard board;
    std::array<GroupListBox *, GroupCount> lists{};
    ClickableLabel *label10 = nullptr;
    CopyRun run;
    QUndoStack history;
    QAction *undoAction = nullptr;
    QAction *redoAction = nullptr;
    QAction *menuBarKey = nullptr;
    QPointer<frmAbout> about;
    WorkerJob<DriveATexts> driveDescription{this, [this](const DriveATexts &texts) { showDriveDescription(texts); }};
    bool running = false;
    bool closeRequested = false;
    QPointer<QWidget> focusBeforeRun;
    GroupListBox *listBeingCopied = nullptr; // its entry being copied is selected
    QPointer<QWidget> focusedByKeyboard; // a drive A button, which then shows its tooltip
    QTimer focusedTipDelay;
};
