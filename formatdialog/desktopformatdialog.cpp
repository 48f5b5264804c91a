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

// What the dialog shows of drive A; finding it out may take seconds.
struct DriveLook {
    QString description;
    QString whyNotPossible;
    QString nextImage;
    QString whyNoNextImage;
};

DriveLook lookAt(const DriveAFormat &drive)
{
    return {drive.description(), drive.whyNotPossible(), drive.nextImageName(), drive.whyNoNextImage()};
}

// The dialog while it is open: what it does to drive A, and what the caller learns.
class FormatWindow : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(FormatDialog)

public:
    FormatWindow(QWidget *owner, std::unique_ptr<DriveAFormat> drive, MessageBoxes &messages, QThreadPool &workers);

    int outcome() const { return result; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildLayout();
    QWidget *imageChoices();
    void lookAtDrive();
    void showLook(const DriveLook &look);
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
    void showDrive();
    void carryOut(const std::function<QString(DriveAFormat &, const QString &label)> &job, const QString &done);
    void workEnded(const QString &failure);
    void setBusy(bool busy);

    std::shared_ptr<DriveAFormat> drive;
    MessageBoxes &messages;
    QThreadPool &workers;
    // Drive A is asked and written off the window's thread. The look holds the drive it
    // asks; the work is waited for when the dialog goes.
    WorkerJob<DriveLook> look{this, [this](const DriveLook &answer) { showLook(answer); }, WorkerJob<DriveLook>::LeaveRunning};
    DriveLook seen;
    WorkerJob<QString> work{this, [this](const QString &failure) { workEnded(failure); }};
    QString doneText;
    bool busy = false;
    QElapsedTimer sinceWorkEnded;
    int result = FormatCancelled;
    QLabel *driveValue = nullptr;
    QRadioButton *eraseChoice = nullptr;
    QRadioButton *nextImageChoice = nullptr;
    QLineEdit *labelEdit = nullptr;
    QProgressBar *progress = nullptr;
    QLabel *status = nullptr;
    QLabel *warning = nullptr;
    QPushButton *startButton = nullptr;
    QPushButton *closeButton = nullptr;
};

FormatWindow::FormatWindow(QWidget *owner, std::unique_ptr<DriveAFormat> driveA, MessageBoxes &messages, QThreadPool &workers)
    : QDialog(owner)
    , drive(std::move(driveA))
    , messages(messages)
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
    look.start([drive = drive] { return lookAt(*drive); }, &workers);
}

void FormatWindow::showLook(const DriveLook &answer)
{
    seen = answer;
    startButton->setEnabled(!busy);
    showDrive();
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
    closeButton->setDefault(true);
    connect(startButton, &QPushButton::clicked, this, &FormatWindow::start);
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
    // A full image is the usual reason to come here: the choice that erases nothing comes first.
    (next.isEmpty() ? eraseChoice : nextImageChoice)->setChecked(true);
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
        carryOut([](DriveAFormat &drive, const QString &label) { return drive.erase(label).reason; },
                 tr("Drive A is formatted."));
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

bool FormatWindow::erasingIsConfirmed()
{
    return messages.Confirm(this, tr("All files on drive A will be erased."), windowTitle(), tr("&Erase"));
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
                             static_cast<QWidget *>(labelEdit)})
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

DesktopFormatDialog::DesktopFormatDialog(DriveALookup lookUpDriveA, MessageBoxes &messages)
    : lookUpDriveA(std::move(lookUpDriveA))
    , messages(messages)
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
    QPointer<FormatWindow> dialog = new FormatWindow(owner, std::move(target), messages, workers);
    dialog->exec();
    if (!dialog)
        return FormatCancelled; // its owner went first
    const int outcome = dialog->outcome();
    delete dialog;
    return outcome;
}
