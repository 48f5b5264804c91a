#include "frmdupliva.h"

#include "application.h"
#include "author.h"
#include "controls.h"
#include "dropintake.h"
#include "formatdialog.h"
#include "frmabout.h"
#include "frmduplivadesign.h"
#include "groupcommands.h"
#include "grouplistbox.h"
#include "launcher.h"
#include "messageboxes.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>
#include <QToolTip>

using namespace frmDuplivaDesign;

namespace {

void paintBackground(QWidget *widget, QPalette::ColorRole role, quint32 colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colourFromBgr(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel *createPicture(QWidget *parent, const char *name, const TwipsRect &place, const char *picture)
{
    auto *image = new QLabel(parent);
    image->setObjectName(QLatin1String(name));
    image->setGeometry(pixelsFromTwips(place));
    image->setPixmap(QPixmap(QLatin1String(picture)));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return image;
}

} // namespace

frmDupliva::frmDupliva(const PlatformServices &platform)
    : platform(platform)
    , run(board, platform.drive, platform.messages, platform.progress)
{
    createDesign();
    createWindowKeys();
    bindHandlers();
    lists[5]->setFocus();
}

frmDupliva::~frmDupliva()
{
    if (running)
        QApplication::restoreOverrideCursor();
    delete about;
}

void frmDupliva::createDesign()
{
    setObjectName(QStringLiteral("frmDupliva"));
    setWindowTitle(tr(title));
    setWindowIcon(QIcon(QLatin1String(frmDuplivaDesign::windowIcon)));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFont(defaultFont());
    setPalette(designFace());
    QWidget *frame2 = createFrames();
    createBanner(findChild<QWidget *>(QStringLiteral("Frame3")));
    createGroups(frame2);
    createButtonPanel(findChild<QWidget *>(QStringLiteral("Frame1")));
    createMenu();
    setTabOrder();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget *frmDupliva::createFrames()
{
    auto *client = new QWidget(this);
    client->setFixedSize(pixelsFromTwips(clientWidth), pixelsFromTwips(clientHeight));
    setCentralWidget(client);
    QWidget *frame2 = nullptr;
    for (const FrameDesign &design : frames) {
        QWidget *inside = design.inside ? findChild<QWidget *>(QLatin1String(design.inside)) : client;
        auto *frame = new QFrame(inside);
        frame->setObjectName(QLatin1String(design.name));
        frame->setGeometry(pixelsFromTwips(design.place));
        frame->setFrameStyle(design.border ? QFrame::Box | QFrame::Sunken : QFrame::NoFrame);
        if (design.blackBackground)
            paintBackground(frame, QPalette::Window, black);
        if (!design.inside)
            frame2 = frame;
    }
    return frame2;
}

void frmDupliva::createBanner(QWidget *banner)
{
    createPicture(banner, "Image5", image5Place, image5Picture);
    label10 = new ClickableLabel(tr(label10Lead) + QLatin1String(Author::name) + QStringLiteral(", ")
                                     + QLatin1String(Author::country),
                                 banner);
    label10->setObjectName(QStringLiteral("Label10"));
    label10->setAccessibleDescription(tr("Opens a web page about synthesizers"));
    label10->setGeometry(pixelsFromTwips(label10Place));
    label10->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label10->setCursor(Qt::PointingHandCursor);
    paintBackground(label10, QPalette::Window, darkRed);
    paintText(label10, yellow);
}

void frmDupliva::createGroups(QWidget *frame)
{
    for (const GroupDesign &design : groups) {
        const QString caption = tr("Group %1").arg(groupPrefix(design.group));
        auto *label = new QLabel(caption, frame);
        label->setObjectName(QLatin1String(design.label));
        label->setGeometry(pixelsFromTwips({design.labelLeft, design.labelTop, captionWidth, captionHeight}));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFont(captionFont());
        paintText(label, navy);

        auto *list = new GroupListBox(caption, board, design.group, frame);
        list->setObjectName(QLatin1String(design.list));
        list->setGeometry(pixelsFromTwips({design.listLeft, design.listTop, listWidth, listHeight}));
        paintBackground(list, QPalette::Base, lightGrey);
        lists[design.group - 1] = list;
    }
}

void frmDupliva::createButtonPanel(QWidget *panel)
{
    auto *shape1 = new QFrame(panel);
    shape1->setObjectName(QStringLiteral("Shape1"));
    shape1->setGeometry(pixelsFromTwips(shape1Place));
    paintBackground(shape1, QPalette::Window, green);
    for (const PictureDesign &icon : icons)
        createPicture(panel, icon.name, icon.place, icon.picture);
    for (const ButtonDesign &design : buttons) {
        auto *button = new WrappingButton(tr(design.caption), panel);
        button->setObjectName(QLatin1String(design.name));
        button->setAccessibleName(tr(design.caption));
        button->setGeometry(pixelsFromTwips({buttonLeft, design.top, buttonWidth, design.height}));
        button->setFont(buttonFont());
        button->setAutoDefault(false);
    }
}

void frmDupliva::createMenu()
{
    QAction *help = menuBar()->addAction(tr(menuCaption));
    help->setObjectName(QStringLiteral("Help"));
    connect(help, &QAction::triggered, this, &frmDupliva::Help_Click);
}

// Keys of the window that no control shows; each list's context menu shows undo and redo,
// as "Undo Remove 01Samba.sty".
void frmDupliva::createWindowKeys()
{
    undoAction = history.createUndoAction(this, tr("&Undo"));
    undoAction->setShortcuts(QKeySequence::Undo);
    redoAction = history.createRedoAction(this, tr("&Redo"));
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence &key : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}) {
        if (!redoKeys.contains(key))
            redoKeys.append(key);
    }
    redoAction->setShortcuts(redoKeys);
    for (GroupListBox *list : lists)
        list->setWindowActions({undoAction, redoAction});
    menuBarKey = new QAction(tr("Menu bar"), this);
    menuBarKey->setShortcut(Qt::Key_F10);
    connect(menuBarKey, &QAction::triggered, this, &frmDupliva::focusMenuBar);
    addActions({undoAction, redoAction, menuBarKey});
}

// Pressing and releasing Alt gives the menu bar the keyboard, and Escape or a choice gives
// it back; F10 does the same. The press of Alt itself names no modifier: Qt adds Alt to it.
void frmDupliva::focusMenuBar()
{
    if (menuBar()->activeAction())
        return;
    QKeyEvent altPressed(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &altPressed);
    QKeyEvent altReleased(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &altReleased);
}

void frmDupliva::setTabOrder()
{
    QWidget *previous = nullptr;
    for (const char *name : tabOrder) {
        auto *control = findChild<QWidget *>(QLatin1String(name));
        control->setFocusPolicy(Qt::StrongFocus);
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

QPushButton *frmDupliva::button(const char *name) const
{
    return findChild<QPushButton *>(QLatin1String(name));
}

void frmDupliva::bindHandlers()
{
    for (int number = 1; number <= GroupCount; ++number) {
        connect(groupList(number), &GroupListBox::OLEDragDrop, this,
                [this, number](const QMimeData &data) { List_OLEDragDrop(number, data); });
        bindGroupEditing(number);
    }
    connect(button("CmdStartCopy"), &QPushButton::clicked, this, &frmDupliva::CmdStartCopy_Click);
    connect(button("Command1"), &QPushButton::clicked, this, &frmDupliva::Command1_Click);
    connect(button("Command2"), &QPushButton::clicked, this, &frmDupliva::Command2_Click);
    connect(button("Command3"), &QPushButton::clicked, this, &frmDupliva::Command3_Click);
    connect(button("Command4"), &QPushButton::clicked, this, &frmDupliva::Command4_Click);
    connect(label10, &ClickableLabel::clicked, this, &frmDupliva::Label10_Click);
    connect(&run, &CopyRun::itemStarted, this, &frmDupliva::showItemStarted);
    connect(&run, &CopyRun::finished, this, &frmDupliva::runEnded);
    button("CmdStartCopy")->installEventFilter(this);
    button("Command3")->installEventFilter(this);
    focusedTipDelay.setSingleShot(true);
    focusedTipDelay.setInterval(style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay));
    connect(&focusedTipDelay, &QTimer::timeout, this, &frmDupliva::showFocusedTip);
}

void frmDupliva::bindGroupEditing(int number)
{
    GroupListBox *list = groupList(number);
    connect(list, &GroupListBox::removeRequested, this,
            [this, number](const QList<int> &rows) { perform(removeEntries(board, number, rows)); });
    connect(list, &GroupListBox::moveRequested, this, [this, number](const QList<int> &rows, int toGroup) {
        perform(moveEntries(board, number, rows, toGroup));
    });
    connect(list, &GroupListBox::entriesDropped, this, [this, number](int fromGroup, const QList<int> &rows) {
        if (fromGroup >= 1 && fromGroup <= GroupCount)
            perform(moveEntries(board, fromGroup, rows, number));
    });
    connect(list, &GroupListBox::pasteRequested, this, [this, number] { pasteFiles(number); });
    connect(list, &GroupListBox::placesRequested, this, &frmDupliva::showPlacesOf);
}

// The buttons that reach drive A say what it is, worked out only when the pointer or
// the focus comes near, since drive A may change at any time: a floppy drive plugged in,
// a disk taken out. Asking a drive may take seconds, so it is asked on a worker.
bool frmDupliva::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Enter || type == QEvent::ToolTip || type == QEvent::FocusIn)
        describeDriveA();
    noteKeyboardFocus(watched, event);
    return QMainWindow::eventFilter(watched, event);
}

// A button that the keyboard reaches shows its tooltip as the pointer's stay shows it,
// after the same delay: the key that brought the focus would hide it at once.
void frmDupliva::noteKeyboardFocus(QObject *control, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason) {
            focusedByKeyboard = static_cast<QWidget *>(control);
            focusedTipDelay.start();
        }
    } else if (event->type() == QEvent::FocusOut && control == focusedByKeyboard) {
        focusedByKeyboard = nullptr;
        focusedTipDelay.stop();
    }
}

void frmDupliva::showFocusedTip()
{
    if (focusedByKeyboard && !focusedByKeyboard->toolTip().isEmpty())
        QToolTip::showText(focusedByKeyboard->mapToGlobal(focusedByKeyboard->rect().center()),
                           focusedByKeyboard->toolTip(), focusedByKeyboard);
}

// The groups are read here, on the window's thread; the worker plans with that snapshot.
void frmDupliva::describeDriveA()
{
    // A disabled button still hears the pointer; drive A is not looked at while it is written.
    if (!platform.describeDriveA || driveDescription.isRunning() || running)
        return;
    driveDescription.start(
        [describeDrive = platform.describeDriveA, describeRun = platform.describeRun, groups = run.pendingGroups()] {
            return DriveATexts{describeDrive(), describeRun ? describeRun(groups) : QString()};
        });
}

void frmDupliva::showDriveDescription(const DriveATexts &texts)
{
    const QString drive = tr("Drive A: %1").arg(texts.drive);
    const QString copy = texts.run.isEmpty() ? drive : tr("%1. %2").arg(drive, texts.run);
    for (const auto &[control, text] : {std::pair{button("CmdStartCopy"), copy}, std::pair{button("Command3"), drive}}) {
        control->setToolTip(text);
        control->setAccessibleDescription(text);
        if (control->underMouse() && control->isVisible())
            QToolTip::showText(QCursor::pos(), text, control);
        else if (control == focusedByKeyboard && !focusedTipDelay.isActive())
            showFocusedTip();
    }
}

void frmDupliva::CmdStartCopy_Click()
{
    if (running)
        return;
    setRunning(true);
    history.clear(); // no undo may turn a group green that this run does not put on the disk
    QApplication::setOverrideCursor(Qt::WaitCursor);
    run.Start();
}

// After the run's last message box.
void frmDupliva::runEnded()
{
    QApplication::restoreOverrideCursor();
    forgetEntryBeingCopied();
    setRunning(false);
    if (closeRequested)
        close();
}

void frmDupliva::showItemStarted(int group, int index)
{
    GroupListBox *list = groupList(group);
    if (listBeingCopied != list)
        forgetEntryBeingCopied();
    listBeingCopied = list;
    const QModelIndex entry = list->model()->index(index, 0);
    list->selectionModel()->setCurrentIndex(entry, QItemSelectionModel::ClearAndSelect);
    list->scrollTo(entry);
}

void frmDupliva::forgetEntryBeingCopied()
{
    if (listBeingCopied) {
        listBeingCopied->selectionModel()->clear();
        listBeingCopied = nullptr;
    }
}

// While a run or a format is under way, nothing can start another or change the
// groups: the commands, the menu entry and the lists take no click, key, shortcut,
// drop or screen reader's action.
void frmDupliva::setRunning(bool isRunning)
{
    running = isRunning;
    if (running)
        parkFocus();
    for (QWidget *control : findChildren<QPushButton *>())
        control->setEnabled(!running);
    for (GroupListBox *list : lists)
        list->setEnabled(!running);
    menuBar()->setEnabled(!running);
    findChild<QAction *>(QStringLiteral("Help"))->setEnabled(!running); // a screen reader presses the entry itself
    undoAction->setEnabled(!running && history.canUndo());
    redoAction->setEnabled(!running && history.canRedo());
    menuBarKey->setEnabled(!running);
    if (!running && focusBeforeRun)
        focusBeforeRun->setFocus();
}

// The focus leaves the controls that are about to be disabled in one step, for the
// window itself: Qt would otherwise pass it from each to the next, and a screen reader
// would announce every one of them.
void frmDupliva::parkFocus()
{
    focusBeforeRun = QApplication::focusWidget();
    if (focusBeforeRun && focusBeforeRun->window() == this)
        focusBeforeRun->clearFocus();
}

void frmDupliva::Command1_Click()
{
    perform(emptyGreenGroups(board));
}

void frmDupliva::Command2_Click()
{
    perform(emptyAllGroups(board));
}

void frmDupliva::Command3_Click()
{
    if (running)
        return;
    setRunning(true);
    const int result = platform.formatDialog.SHFormatDrive(this, 0, 0, 0);
    forgetErasedDisk();
    setRunning(false);
    if (closeRequested)
        close();
    else if (result == FormatError)
        platform.messages.MsgBox(tr("Something went wrong"));
}

// The groups copied to the disk that the format dialog erased wait for the next run again,
// and no undo may turn a group green that is not on the disk.
void frmDupliva::forgetErasedDisk()
{
    if (const std::optional<DiskId> erased = platform.formatDialog.erasedDisk()) {
        board.turnBack(*erased);
        history.clear();
    }
}

void frmDupliva::Command4_Click()
{
    reportLaunchFailure(platform.launcher.openHomeFolder());
}

void frmDupliva::Label10_Click()
{
    reportLaunchFailure(platform.launcher.openWebPage(QLatin1String(Author::synthesizerSiteUrl)));
}

void frmDupliva::reportLaunchFailure(const QString &failure)
{
    if (!failure.isEmpty())
        platform.messages.MsgBox(tr("Unexpected failure: %1").arg(failure), MsgCritical);
}

void frmDupliva::Help_Click()
{
    if (!about) {
        about = new frmAbout(platform.launcher);
        connect(about, &frmAbout::launchFailed, this, &frmDupliva::reportLaunchFailure);
        about->setAttribute(Qt::WA_DeleteOnClose);
    }
    about->show();
    about->raise();
    about->activateWindow();
}

void frmDupliva::List_OLEDragDrop(int group, const QMimeData &data)
{
    perform(addFiles(board, group, filesOfDrop(data), Arrival::Drop));
}

// While a run or a format is under way the lists take no key and no drop, and a request
// already on its way is refused.
void frmDupliva::perform(std::unique_ptr<QUndoCommand> command)
{
    if (command && !running)
        history.push(command.release());
}

void frmDupliva::pasteFiles(int group)
{
    const QMimeData *clipboard = QGuiApplication::clipboard()->mimeData();
    if (!running && clipboard)
        perform(addFiles(board, group, filesOfClipboard(*clipboard), Arrival::Paste));
}

// "Where is this style?": every disk that the catalogue knows to hold the source file.
void frmDupliva::showPlacesOf(const QString &source)
{
    const StylePlaces places = platform.placesOfStyle ? platform.placesOfStyle(source) : StylePlaces();
    const QString title = tr("Where is this style?");
    if (!places.error.isEmpty())
        platform.messages.MsgBox(tr("The catalogue of disks cannot be read: %1").arg(places.error), MsgCritical, title);
    else if (places.lines.isEmpty())
        platform.messages.MsgBox(tr("The catalogue knows no disk that holds %1.").arg(source), MsgInformation, title);
    else
        platform.messages.MsgBox(tr("%1 is on:\n%2").arg(source, places.lines.join(QLatin1Char('\n'))), MsgInformation, title);
}

QString frmDupliva::farewellPrompt()
{
    return QStringList{
        tr("You can exchange styles with me.."),
        tr("I can convert files for you"),
        QLatin1String(Author::name) + QStringLiteral(", ") + QLatin1String(Author::country),
        QLatin1String(Author::email) + QStringLiteral("   ;  ") + QLatin1String(Author::exchangeSite),
    }.join(QLatin1Char('\n'));
}

// A close request during a run or a format closes the window once it has ended, a run
// stopping before its next style; the window's thread never waits for either.
void frmDupliva::closeEvent(QCloseEvent *event)
{
    if (running) {
        closeRequested = true;
        run.Stop();
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmDupliva::Form_Unload()
{
    // At logout or shutdown a modal farewell would hold up the end of the session.
    if (!desktopSessionEnding())
        platform.messages.MsgBox(farewellPrompt(), MsgInformation, tr("Dont't forget:"));
    delete about;
    QCoreApplication::quit();
}
