#include "desktopformatdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString driveName(unsigned drive)
{
    if (drive < 26)
        return QStringLiteral("%1:").arg(QChar(u'A' + drive));
    return QStringLiteral("drive %1").arg(drive);
}

QString nativeFolder(const FormatTarget &target)
{
    return QDir::toNativeSeparators(target.folder);
}

QString describe(const FormatTarget &target)
{
    switch (target.kind) {
    case FormatTarget::Folder:
        return QStringLiteral("%1  (the folder %2)").arg(driveName(target.drive), nativeFolder(target));
    case FormatTarget::NotSetUp:
        break;
    }
    return QStringLiteral("%1  (not set up)").arg(driveName(target.drive));
}

QString whyNotPossible(const FormatTarget &target)
{
    switch (target.kind) {
    case FormatTarget::Folder:
        return QStringLiteral("Drive %1 is the folder %2 on this computer, not a floppy disk. "
                              "A folder cannot be formatted. To make room for new styles, delete "
                              "files from the folder with the file manager.")
            .arg(driveName(target.drive), nativeFolder(target));
    case FormatTarget::NotSetUp:
        break;
    }
    return QStringLiteral("Drive %1 is not set up: neither a floppy disk nor a folder stands "
                          "for it, so there is nothing to format.")
        .arg(driveName(target.drive));
}

template<typename Widget>
Widget *named(Widget *widget, const char *objectName)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

QComboBox *singleChoice(const QString &choice, const char *objectName)
{
    auto *box = named(new QComboBox, objectName);
    box->addItem(choice);
    return box;
}

QWidget *settingsPart()
{
    auto *settings = named(new QWidget, "formatSettings");
    auto *form = new QFormLayout(settings);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("Capacity:"), singleChoice(QStringLiteral("3.5\", 1.44 MB"), "capacityBox"));
    form->addRow(QStringLiteral("File system:"), singleChoice(QStringLiteral("FAT12"), "fileSystemBox"));
    auto *volumeLabel = named(new QLineEdit, "volumeLabelEdit");
    volumeLabel->setMaxLength(11); // the most that a FAT volume label holds
    form->addRow(QStringLiteral("Volume label:"), volumeLabel);
    form->addRow(QString(), named(new QCheckBox(QStringLiteral("&Quick format")), "quickFormatCheck"));
    return settings;
}

QLabel *wrappingLabel(const QString &text, const char *objectName)
{
    auto *label = named(new QLabel(text), objectName);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel *warningLabel()
{
    auto *warning = wrappingLabel(QStringLiteral("Formatting erases everything on the disk."), "warningLabel");
    QFont bold = warning->font();
    bold.setBold(true);
    warning->setFont(bold);
    return warning;
}

QDialogButtonBox *buttonsPart(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox;
    auto *start = named(buttons->addButton(QStringLiteral("&Start"), QDialogButtonBox::AcceptRole), "startButton");
    auto *close = named(buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole), "closeButton");
    start->setEnabled(false); // see createDialog
    close->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

DesktopFormatDialog::DesktopFormatDialog(QString driveAFolder)
    : driveAFolder(std::move(driveAFolder))
{
}

FormatTarget DesktopFormatDialog::target(unsigned drive) const
{
    if (drive != 0 || driveAFolder.isEmpty())
        return {drive, FormatTarget::NotSetUp, {}};
    return {drive, FormatTarget::Folder, driveAFolder};
}

std::unique_ptr<QDialog> DesktopFormatDialog::createDialog(QWidget *owner, const FormatTarget &target)
{
    auto dialog = std::make_unique<QDialog>(owner);
    dialog->setObjectName(QStringLiteral("formatDialog"));
    dialog->setWindowTitle(QStringLiteral("Format %1").arg(driveName(target.drive)));

    auto *drive = new QFormLayout;
    drive->addRow(QStringLiteral("Drive:"), named(new QLabel(describe(target)), "driveValue"));

    // Neither a folder nor a drive that is not set up can be formatted: the settings stay
    // greyed, and Start too.
    auto *settings = settingsPart();
    settings->setEnabled(false);

    auto *progress = named(new QProgressBar, "progressBar");
    progress->setValue(0);

    auto *layout = new QVBoxLayout(dialog.get());
    layout->addLayout(drive);
    layout->addWidget(settings);
    layout->addWidget(warningLabel());
    layout->addWidget(progress);
    layout->addWidget(wrappingLabel(whyNotPossible(target), "statusLabel"));
    layout->addSpacing(8);
    layout->addWidget(buttonsPart(dialog.get()));
    dialog->setMinimumWidth(380);
    return dialog;
}

int DesktopFormatDialog::SHFormatDrive(QWidget *owner, unsigned drive, unsigned /*formatId*/, unsigned /*options*/)
{
    // The format identifier and options only preselect choices; this dialog starts from its defaults.
    QDialog *dialog = createDialog(owner, target(drive)).release();
    dialog->setAttribute(Qt::WA_DeleteOnClose); // exec() deletes it, unless its owner went first
    dialog->exec();
    return FormatNotPossible;
}
