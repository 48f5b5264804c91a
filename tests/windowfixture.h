#pragma once

#include "fakelauncher.h"
#include "fakes.h"
#include "frmdupliva.h"

// The main window on a fake platform.
struct WindowFixture {
    FakeDriveA drive;
    FakeMessageBoxes messages;
    FakeLauncher launcher;
    FakeFormatDialog formatDialog;
    QString driveA = QStringLiteral("no floppy drive found");
    int driveALookups = 0;
    frmDupliva window{{drive, messages, launcher, formatDialog, [this] {
                           ++driveALookups;
                           return driveA;
                       }}};
};
