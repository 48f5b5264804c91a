#pragma once

#include "diskbackup.h"
#include "disklook.h"

#include <functional>

class QWidget;

// What the format dialog does for the disk in drive A besides formatting it. look, backUp
// and erased run on a worker thread; chooseFolder on the dialog's.
struct DiskCare {
    std::function<DiskLook()> look;
    std::function<BackUp(const QString &intoFolder, const BackUpProgress &progress)> backUp;
    // The disk was erased: what it held is on it no more.
    std::function<void(const DiskId &disk)> erased;
    // The folder to back the disk up into, or an empty text when the user cancelled.
    std::function<QString(QWidget *owner)> chooseFolder;
};
