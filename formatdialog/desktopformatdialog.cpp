#include "desktopformatdialog.h"

#include "driveaformat.h"
#include "fatname.h"
#include "messageboxes.h"
#include "workerjob.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLocale>
#include <QTreeWidget>
#include <QValidator>
#include <QVBoxLayout>

namespace {

template<typename Widget>
Widget *named(Widget *widget, const char *objectName, const QString &accessibleName = {})
{
    widget->setObjectName(QString::fromLatin1(objectName));
    if (!accessibleName.isEmpty())
        widget->setAccessibleName(accessibleName);
    return widget;
}

QLabel *wrappingLabel(const QString &text, const char *objectName)
{
    auto *label = named(new QLabel(text), objectName);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// Takes only what a floppy stores as its volume label exactly as typed; letters are
// turned into capitals as they are typed, anything else is refused.
class VolumeLabelValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return whyNotVolumeLabel(input).isEmpty() ? Acceptable : Invalid;
    }
};

QLineEdit *volumeLabelEdit()
{
    auto *edit = named(new QLineEdit, "volumeLabelEdit", QCoreApplication::translate("FormatDialog", "Volume label"));
    edit->setMaxLength(11);
    edit->setValidator(new VolumeLabelValidator(edit));
    return edit;
}

// What the dialog shows of drive A; finding it out may take seconds, reading a floppy's
// files a minute.
struct DriveLook {
    QString description;
    QString whyNotPossible;
    QString nextImage;
    QString whyNoNextImage;
    std::optional<DiskLook> disk; // for a drive that can be formatted
};

DriveLook lookAt(const DriveAFormat &drive, const DiskCare &care)
{
    DriveLook look{drive.description(), drive.whyNotPossible(), drive.nextImageName(), drive.whyNoNextImage(), {}};
    if (look.whyNotPossible.isEmpty() && care.look)
        look.disk = care.look();
    return look;
}

QString formatText(const char *text)
{
    return QCoreApplication::translate("FormatDialog", text);
}

QString bytesText(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

// "Disk BAND1, serial number 1A2B-3C4D: 12 files, 1.2 MB free"
QString diskSummary(const DiskLook &look)
{
    const DiskId &disk = look.disk;
    QString text = disk.label.trimmed().isEmpty() ? formatText("Disk without a label") : formatText("Disk %1").arg(disk.label.trimmed());
    text += disk.serial.isEmpty() ? formatText(", no serial number") : formatText(", serial number %1").arg(disk.serial);
    const int files = int(look.files.size());
    text += QLatin1String(": ") + QCoreApplication::translate("FormatDialog", files == 1 ? "%n file" : "%n files", nullptr, files);
    if (look.freeBytes >= 0)
        text += formatText(", %1 free").arg(bytesText(look.freeBytes));
    return text;
}

// What the catalogue knows of a file: the group that wrote it, and from which source.
QString writtenBy(const LookedFile &file)
{
    QStringList known;
    for (const FoundStyle &style : file.written)
        known.append(formatText("Group %1 from %2").arg(style.group, 2, 10, QLatin1Char('0')).arg(style.source));
    return known.join(QLatin1String("; "));
}

// The dialog while it is open: what it does to drive A, and what the caller learns.
class FormatWindow : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(FormatDialog)

public:
    FormatWindow(QWidget *owner, std::unique_ptr<DriveAFormat> drive, MessageBoxes &messages, const DiskCare &care,
                 QThreadPool &workers);

    int outcome() const { return result; }
    // The disk as it was before the dialog erased it, or tried to.
    std::optional<DiskId> erasedDisk() const { return erased; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildLayout();
    QWidget *imageChoices();
    void lookAtDrive();
    void showLook(const DriveLook &look);
    QWidget *diskPart();
    void showDisk();
    void showNextImage();
    void showWarning();
    void setStatus(const QString &text);
    void fitContents();
    void keepFocus();
    QDialogButtonBox *buttonsPart();
    void start();
    bool takesStart() const;
    bool labelIsStorable();
    bool erasingIsConfirmed();
    void eraseDisk();
    void backUp();
    void showBackUpProgress(const FileOnDisk &file, int done, int total);
    void backUpEnded(const BackUp &backUp);
    void showDrive();
    void carryOut(const std::function<QString(DriveAFormat &, const QString &label)> &job, const QString &done);
    void workEnded(const QString &failure);
    void setBusy(bool busy);

    std::shared_ptr<DriveAFormat> drive;
    MessageBoxes &messages;
    const DiskCare &care;
    QThreadPool &workers;
    // Drive A is asked and written off the window's thread. The look holds the drive it
    // asks; the work and the back-up are waited for when the dialog goes.
    WorkerJob<DriveLook> look{this, [this](const DriveLook &answer) { showLook(answer); }, WorkerJob<DriveLook>::LeaveRunning};
    DriveLook seen;
    WorkerJob<QString> work{this, [this](const QString &failure) { workEnded(failure); }};
    WorkerJob<BackUp> backUpWork{this, [this](const BackUp &done) { backUpEnded(done); }};
    bool backedUp = false;
    bool eraseAfterBackUp = false;
    std::optional<DiskId> erasing;
    std::optional<DiskId> erased;
    QString doneText;
    bool busy = false;
    QElapsedTimer sinceWorkEnded;
    int result = FormatCancelled;
    QLabel *driveValue = nullptr;
    QLabel *diskValue = nullptr;
    QTreeWidget *filesView = nullptr;
    QPushButton *backUpButton = nullptr;
    QRadioButton *eraseChoice = nullptr;
    QRadioButton *nextImageChoice = nullptr;
    QLineEdit *labelEdit = nullptr;
    QProgressBar *progress = nullptr;
    QLabel *status = nullptr;
    QLabel *warning = nullptr;
    QPushButton *startButton = nullptr;
    QPushButton *closeButton = nullptr;
};

FormatWindow::FormatWindow(QWidget *owner, std::unique_ptr<DriveAFormat> driveA, MessageBoxes &messages,
                           const DiskCare &care, QThreadPool &workers)
    : QDialog(owner)
    , drive(std::move(driveA))
    , messages(messages)
    , care(care)
    , workers(workers)
{
    setObjectName(QStringLiteral("formatDialog"));
    setWindowTitle(tr("Format A:"));
    buildLayout();
    lookAtDrive();
}

// The dialog may be closed before a slow drive has answered; the drive stays until then,
// and the dialog's owner waits for the look before what it uses goes.
void FormatWindow::lookAtDrive()
{
    startButton->setEnabled(false);
    driveValue->setText(tr("Looking at drive A..."));
    look.start([drive = drive, &care = care] { return lookAt(*drive, care); }, &workers);
}

void FormatWindow::showLook(const DriveLook &answer)
{
    seen = answer;
    startButton->setEnabled(!busy);
    showDrive();
    showDisk();
    // A full image is the usual reason to come here: the choice that erases nothing comes first.
    (seen.nextImage.isEmpty() ? eraseChoice : nextImageChoice)->setChecked(true);
    showNextImage();
    if (!seen.whyNotPossible.isEmpty()) {
        result = FormatNotPossible;
        setStatus(seen.whyNotPossible);
        startButton->setEnabled(false);
        labelEdit->setEnabled(false);
    }
    showWarning();
    fitContents();
    keepFocus();
}

void FormatWindow::buildLayout()
{
    // What drive A is has a line of its own: beside its caption, a wrapped line is cut
    // short at large font sizes.
    driveValue = wrappingLabel(QString(), "driveValue");
    labelEdit = volumeLabelEdit();
    auto *labelCaption = new QLabel(tr("Volume &label:"));
    labelCaption->setBuddy(labelEdit);
    auto *labelRow = new QHBoxLayout;
    labelRow->addWidget(labelCaption);
    labelRow->addWidget(labelEdit, 1);

    progress = named(new QProgressBar, "progressBar", tr("Progress"));
    progress->setValue(0);
    status = wrappingLabel(QString(), "statusLabel");

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Drive A:")));
    layout->addWidget(driveValue);
    layout->addWidget(diskPart());
    layout->addLayout(labelRow);
    layout->addWidget(imageChoices());
    warning = wrappingLabel(tr("Formatting erases everything on the disk."), "warningLabel");
    layout->addWidget(warning);
    layout->addWidget(progress);
    layout->addWidget(status);
    layout->addSpacing(8);
    layout->addWidget(buttonsPart());
    setMinimumWidth(420);
}

// What the disk holds: a line about the disk, and its files with what the catalogue knows.
QWidget *FormatWindow::diskPart()
{
    auto *part = named(new QWidget, "diskPart");
    diskValue = wrappingLabel(QString(), "diskValue");
    filesView = named(new QTreeWidget, "filesView", tr("Files on the disk"));
    filesView->setHeaderLabels({tr("Name"), tr("Size"), tr("Written by Dupliva")});
    filesView->setRootIsDecorated(false);
    filesView->setSelectionMode(QAbstractItemView::NoSelection);
    filesView->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    filesView->setMinimumHeight(filesView->fontMetrics().height() * 8);
    auto *layout = new QVBoxLayout(part);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(diskValue);
    layout->addWidget(filesView);
    part->hide(); // until drive A turns out to hold a disk
    return part;
}

void FormatWindow::showDisk()
{
    const bool read = seen.disk && seen.disk->error.isEmpty();
    diskValue->parentWidget()->setVisible(seen.disk.has_value());
    diskValue->setText(!seen.disk ? QString() : read ? diskSummary(*seen.disk) : tr("The disk cannot be read: %1").arg(seen.disk->error));
    diskValue->setAccessibleName(diskValue->text());
    filesView->clear();
    backUpButton->setVisible(read && care.backUp);
    backUpButton->setEnabled(!busy && read && !seen.disk->files.isEmpty());
    if (!read)
        return;
    for (const LookedFile &file : seen.disk->files) {
        auto *row = new QTreeWidgetItem(filesView, {file.name, bytesText(file.size), writtenBy(file)});
        row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        row->setToolTip(2, row->text(2));
    }
}

// For a numbered image: erase it, or go on with a blank next one, as a new disk.
QWidget *FormatWindow::imageChoices()
{
    auto *choices = named(new QWidget, "imageChoices");
    // The first choice, the one that erases nothing, stands first in the dialog and in the
    // order of the keyboard.
    nextImageChoice = named(new QRadioButton, "nextImageChoice", tr("Next image"));
    eraseChoice = named(new QRadioButton(tr("&Erase this image")), "eraseChoice",
                        tr("Erase this image"));
    eraseChoice->setChecked(true);
    connect(eraseChoice, &QRadioButton::toggled, this, &FormatWindow::showWarning);
    choices->hide(); // until drive A turns out to be a numbered image
    auto *layout = new QVBoxLayout(choices);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(nextImageChoice);
    layout->addWidget(eraseChoice);
    return choices;
}

QDialogButtonBox *FormatWindow::buttonsPart()
{
    auto *buttons = new QDialogButtonBox;
    startButton = named(buttons->addButton(tr("&Start"), QDialogButtonBox::ActionRole), "startButton",
                        tr("Start"));
    closeButton = named(buttons->addButton(tr("&Close"), QDialogButtonBox::RejectRole), "closeButton",
                        tr("Close"));
    backUpButton = named(buttons->addButton(tr("&Back up to a folder…"), QDialogButtonBox::ActionRole), "backUpButton",
                         tr("Back up to a folder"));
    backUpButton->hide();
    closeButton->setDefault(true);
    connect(startButton, &QPushButton::clicked, this, &FormatWindow::start);
    connect(backUpButton, &QPushButton::clicked, this, &FormatWindow::backUp);
    connect(buttons, &QDialogButtonBox::rejected, this, &FormatWindow::reject);
    return buttons;
}

// After the last number of its width there is no next image, and the choice says so.
void FormatWindow::showNextImage()
{
    const QString &next = seen.nextImage;
    nextImageChoice->parentWidget()->setVisible(!next.isEmpty() || !seen.whyNoNextImage.isEmpty());
    nextImageChoice->setText(next.isEmpty() ? seen.whyNoNextImage : tr("&Next image: %1").arg(next));
    nextImageChoice->setEnabled(!busy && !next.isEmpty());
    showWarning();
}

void FormatWindow::setStatus(const QString &text)
{
    status->setText(text);
    fitContents();
}

// Only when Start would erase the disk.
void FormatWindow::showWarning()
{
    const bool choosing = !nextImageChoice->parentWidget()->isHidden();
    warning->setVisible(seen.whyNotPossible.isEmpty() && (!choosing || eraseChoice->isChecked()));
}

// Texts that arrive later, or a large desktop font, make the dialog grow rather than cut them.
void FormatWindow::fitContents()
{
    const QSize before = size();
    adjustSize();
    resize(size().expandedTo(before));
}

// A control that turned disabled, such as Start during the work, hands the focus on.
void FormatWindow::keepFocus()
{
    const QWidget *focused = focusWidget();
    if (focused && focused->isEnabled() && focused->isVisible())
        return;
    for (QWidget *control : {static_cast<QWidget *>(labelEdit), static_cast<QWidget *>(closeButton)}) {
        if (control->isEnabled())
            return control->setFocus();
    }
}

// A screen reader reads the line out with what drive A is.
void FormatWindow::showDrive()
{
    driveValue->setText(seen.description);
    driveValue->setAccessibleName(tr("Drive A: %1").arg(seen.description));
}

void FormatWindow::start()
{
    if (!takesStart() || !labelIsStorable())
        return;
    if (nextImageChoice && nextImageChoice->isChecked()) {
        carryOut([](DriveAFormat &drive, const QString &label) { return drive.createNextImage(label).reason; },
                 tr("The blank image %1 is drive A now.").arg(seen.nextImage));
        return;
    }
    if (erasingIsConfirmed())
        eraseDisk();
}

// Not while the disk is being written, nor for the second press of a double click that
// arrives just after quick work has ended: one press makes one image.
bool FormatWindow::takesStart() const
{
    return !busy && !(sinceWorkEnded.isValid() && sinceWorkEnded.elapsed() < QApplication::doubleClickInterval());
}

// Checked before anything is asked or written.
bool FormatWindow::labelIsStorable()
{
    const QString why = whyNotVolumeLabel(volumeLabel(labelEdit->text()));
    setStatus(why);
    return why.isEmpty();
}

// When the disk holds files that no other catalogued disk holds, and they are not backed up
// yet, the question offers to back them up first and erases once that has succeeded.
bool FormatWindow::erasingIsConfirmed()
{
    const QString warning = tr("All files on drive A will be erased.");
    const int onlyHere = seen.disk && !backedUp && care.backUp ? seen.disk->onNoOtherDisk : 0;
    if (onlyHere == 0)
        return messages.Confirm(this, warning, windowTitle(), tr("&Erase"));
    const QString question = warning + QLatin1String("\n\n")
        + tr(onlyHere == 1 ? "%n file on this disk is on no other disk that Dupliva knows of. Back it up first?"
                           : "%n files on this disk are on no other disk that Dupliva knows of. Back them up first?",
             nullptr, onlyHere);
    const int chosen = messages.Choose(this, question, windowTitle(), {tr("&Back Up First"), tr("&Erase")});
    if (chosen == 0) {
        eraseAfterBackUp = true;
        backUp();
    }
    return chosen == 1;
}

// The groups that were copied to the disk are on no disk once an erase has begun, even if
// it failed on the way: the window is told so either way.
void FormatWindow::eraseDisk()
{
    erasing = seen.disk && seen.disk->error.isEmpty() ? std::optional(seen.disk->disk) : std::nullopt;
    carryOut([disk = erasing, &care = care](DriveAFormat &drive, const QString &label) {
        const CopyOutcome outcome = drive.erase(label);
        if (outcome.ok() && disk && care.erased)
            care.erased(*disk);
        return outcome.reason;
    }, tr("Drive A is formatted."));
}

void FormatWindow::backUp()
{
    const QString folder = takesStart() && care.chooseFolder ? care.chooseFolder(this) : QString();
    if (folder.isEmpty()) {
        eraseAfterBackUp = false;
        return;
    }
    setBusy(true);
    setStatus(tr("Reading the disk..."));
    backUpWork.start([this, folder] {
        return care.backUp(folder, [this](const FileOnDisk &file, int done, int total) {
            QMetaObject::invokeMethod(this, [=, this] { showBackUpProgress(file, done, total); }, Qt::QueuedConnection);
        });
    }, &workers);
}

void FormatWindow::showBackUpProgress(const FileOnDisk &file, int done, int total)
{
    progress->setRange(0, total);
    progress->setValue(done);
    setStatus(tr("Backed up %1 of %2 files: %3").arg(done).arg(total).arg(file.name));
}

void FormatWindow::backUpEnded(const BackUp &done)
{
    setBusy(false);
    sinceWorkEnded.start();
    const bool whole = done.error.isEmpty();
    progress->setValue(whole ? progress->maximum() : 0);
    QString text = whole ? tr("The disk is backed up in %1.").arg(done.folder) : tr("The back-up failed: %1").arg(done.error);
    if (!whole && !done.folder.isEmpty())
        text += QLatin1Char(' ') + tr("%1 holds only part of the disk.").arg(done.folder);
    setStatus(text);
    backedUp = backedUp || whole;
    const bool erase = std::exchange(eraseAfterBackUp, false);
    if (whole && erase && messages.Confirm(this, tr("All files on drive A will be erased."), windowTitle(), tr("&Erase")))
        eraseDisk();
    keepFocus();
}

void FormatWindow::carryOut(const std::function<QString(DriveAFormat &, const QString &label)> &job,
                            const QString &done)
{
    setBusy(true);
    setStatus(tr("Working..."));
    doneText = done;
    work.start([job, &drive = *drive, label = labelEdit->text()]() -> QString {
        try {
            return job(drive, label);
        } catch (const std::exception &failure) {
            return QString::fromLocal8Bit(failure.what());
        } catch (...) {
            return tr("an unexpected failure");
        }
    }, &workers);
}

void FormatWindow::workEnded(const QString &failure)
{
    setBusy(false);
    sinceWorkEnded.start();
    result = failure.isEmpty() ? FormatDone : FormatError;
    if (erasing)
        erased = std::exchange(erasing, std::nullopt);
    backedUp = false; // the disk is another one now
    progress->setValue(failure.isEmpty() ? 100 : 0);
    setStatus(failure.isEmpty() ? doneText : tr("Formatting failed: %1").arg(failure));
    lookAtDrive(); // it may be another image now, or show another size
    keepFocus();
}

// While the disk is being written, the dialog stays open and takes no command.
void FormatWindow::setBusy(bool isBusy)
{
    busy = isBusy;
    progress->setRange(0, isBusy ? 0 : 100);
    for (QWidget *control : {static_cast<QWidget *>(startButton), static_cast<QWidget *>(closeButton),
                             static_cast<QWidget *>(labelEdit), static_cast<QWidget *>(backUpButton)})
        control->setEnabled(!isBusy);
    if (eraseChoice) {
        eraseChoice->setEnabled(!isBusy);
        showNextImage();
    }
    if (isBusy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void FormatWindow::closeEvent(QCloseEvent *event)
{
    if (busy)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void FormatWindow::reject()
{
    if (!busy)
        QDialog::reject();
}

} // namespace

DesktopFormatDialog::DesktopFormatDialog(DriveALookup lookUpDriveA, MessageBoxes &messages, DiskCare care)
    : lookUpDriveA(std::move(lookUpDriveA))
    , messages(messages)
    , care(std::move(care))
{
}

DesktopFormatDialog::~DesktopFormatDialog()
{
    workers.waitForDone();
}

int DesktopFormatDialog::SHFormatDrive(QWidget *owner, unsigned drive, unsigned /*formatId*/, unsigned /*options*/)
{
    // The format identifier and options only preselect choices; this dialog starts from its defaults.
    std::unique_ptr<DriveAFormat> target = drive == 0
        ? lookUpDriveA()
        : std::make_unique<UnformattableDriveA>(QCoreApplication::translate("FormatDialog", "drive %1").arg(drive),
                                                QCoreApplication::translate("FormatDialog", "Only drive A can be formatted here."));
    lastErased.reset();
    QPointer<FormatWindow> dialog = new FormatWindow(owner, std::move(target), messages, care, workers);
    dialog->exec();
    if (!dialog)
        return FormatCancelled; // its owner went first
    lastErased = dialog->erasedDisk();
    const int outcome = dialog->outcome();
    delete dialog;
    return outcome;
}
