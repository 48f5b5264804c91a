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
    frmDupliva window{{drive, messages, launcher, formatDialog}};
};
