#include "imageformat.h"

#include "fatname.h"
#include "floppysizes.h"
#include "localname.h"
#include "filedescriptor.h"
#include "mtools.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int mostNumbersTried = 10'000;

Result<QString> formatError(const QString &reason)
{
    return {{}, {OtherFailure, reason}};
}

Result<QString> notPossible(const QString &reason)
{
    return {{}, {NotPossible, reason}};
}

// mformat with the geometry that belongs to the image's size, which emulators go by.
Result<QString> runMformat(const QString &path, qint64 size, const QString &label)
{
    QStringList arguments{QStringLiteral("-i"), path, QStringLiteral("-f"), QString::number(size / 1024)};
    if (!label.isEmpty())
        arguments << QStringLiteral("-v") << label;
    arguments << QStringLiteral("::");
    const MtoolsRun run = runMtools(QStringLiteral("mformat"), arguments);
    if (!run.ok())
        return formatError(run.errors.isEmpty() ? driveText("mformat failed on %1 (exit code %2)").arg(path).arg(run.exitCode)
                                                : run.errors);
    return {path, {}};
}

bool pathIsTaken(const QString &path)
{
    struct stat info {};
    return ::lstat(localName(path).constData(), &info) == 0 || errno != ENOENT;
}

} // namespace

Result<QString> formatImage(const QString &path, const QString &label)
{
    const ImageFile image = examineImage(path);
    if (image.error == ENOENT)
        return createBlankImage(path, floppy1440K.bytes, label);
    if (image.error)
        return formatError(image.whyNot);
    if (!image.usable())
        return notPossible(image.whyNot);
    const QString diskLabel = volumeLabel(label);
    if (const QString why = whyNotVolumeLabel(diskLabel); !why.isEmpty())
        return formatError(why);
    return runMformat(path, image.size, diskLabel);
}

Result<QString> formatDevice(const QString &device, qint64 size, const QString &label)
{
    if (!isFloppySize(size))
        return notPossible(driveText("The disk in %1 holds %2 bytes, not a floppy's size").arg(device).arg(size));
    return runMformat(device, size, label);
}

Result<QString> createBlankImage(const QString &path, qint64 size, const QString &label)
{
    if (!isFloppySize(size))
        return notPossible(driveText("%1 is not the size of a floppy image").arg(capacityText(size)));
    if (path.contains(QLatin1String("@@")))
        return notPossible(driveText("mtools cannot open an image whose path holds \"@@\": %1").arg(path));
    const QString diskLabel = volumeLabel(label);
    if (const QString why = whyNotVolumeLabel(diskLabel); !why.isEmpty())
        return formatError(why);

    const QByteArray encoded = localName(path);
    FileDescriptor blank(::open(encoded.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0644));
    if (!blank)
        return formatError(QStringLiteral("%1: %2").arg(path, qt_error_string(errno)));
    const bool sized = ::ftruncate(blank.get(), size) == 0;
    const QString whyNotSized = sized ? QString() : QStringLiteral("%1: %2").arg(path, qt_error_string(errno));
    blank = FileDescriptor();
    const Result<QString> outcome = sized ? runMformat(path, size, diskLabel) : formatError(whyNotSized);
    // Emulators reject an image that is all zeros: no blank without a file system stays.
    if (!outcome.ok())
        ::unlink(encoded.constData());
    return outcome;
}

QString nextImagePath(const QString &path)
{
    static const QRegularExpression endsInNumber(QStringLiteral("^(.*?)(\\d+)$"));
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString base = info.fileName().chopped(suffix.size());
    const QRegularExpressionMatch match = endsInNumber.match(base);
    if (!match.hasMatch())
        return {};
    bool inRange = false;
    const qulonglong number = match.captured(2).toULongLong(&inRange);
    const int width = int(match.capturedLength(2));
    for (qulonglong next = number + 1; inRange && next <= number + mostNumbersTried; ++next) {
        // Emulators count DSKA0000 to DSKA9999: only a one-digit number may grow wider.
        if (width > 1 && QString::number(next).size() > width)
            break;
        const QString name = match.captured(1) + QStringLiteral("%1").arg(next, width, 10, QLatin1Char('0')) + suffix;
        const QString candidate = info.dir().filePath(name);
        if (!pathIsTaken(candidate))
            return candidate;
    }
    return {};
}

Result<QString> createNextImage(const QString &currentPath, const QString &label)
{
    const ImageFile image = examineImage(currentPath);
    if (!image.usable())
        return notPossible(image.whyNot);
    const QString next = nextImagePath(currentPath);
    if (next.isEmpty())
        return notPossible(driveText("The name %1 does not end in a number that could count up")
                               .arg(QFileInfo(currentPath).fileName()));
    return createBlankImage(next, image.size, label);
}
