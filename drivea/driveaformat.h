#pragma once

#include "drivea.h"

#include <QString>

// What "Format A:\" can do to drive A as it is at this moment.
class DriveAFormat {
public:
    virtual ~DriveAFormat() = default;

    // What drive A is, for example "floppy image DSKA0003.IMG, 1.44 MB".
    virtual QString description() const = 0;

    // Why drive A cannot be formatted, or an empty text if it can.
    virtual QString whyNotPossible() const = 0;

    // For a numbered floppy image, the name of the blank image that may follow it.
    virtual QString nextImageName() const { return {}; }

    // For a numbered floppy image that no image may follow, why not.
    virtual QString whyNoNextImage() const { return {}; }

    // Erases the disk, giving it the volume label. Runs on a worker thread.
    virtual CopyOutcome erase(const QString &label) = 0;

    // Creates the next blank image, which becomes drive A. Runs on a worker thread.
    virtual CopyOutcome createNextImage(const QString & /*label*/) { return {NotPossible, QStringLiteral("There is no next image")}; }
};

// A drive A that cannot be formatted, such as a folder.
class UnformattableDriveA : public DriveAFormat {
public:
    UnformattableDriveA(QString description, QString reason)
        : shown(std::move(description))
        , reason(std::move(reason))
    {
    }

    QString description() const override { return shown; }
    QString whyNotPossible() const override { return reason; }
    CopyOutcome erase(const QString &) override { return {NotPossible, reason}; }

private:
    QString shown;
    QString reason;
};
