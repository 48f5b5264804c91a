#pragma once

#include "fakelauncher.h"
#include "fakes.h"
#include "frmdupliva.h"

#include <QThread>

#include <atomic>

// Entries put straight onto the window's board, in the state given, as no step to undo.
inline void put(frmDupliva &window, int number, const QStringList &paths, GroupState state = GroupState::Waiting)
{
    GroupBoard &board = window.groupBoard();
    board.insertEntries(number, int(board.group(number).entries.size()), paths);
    board.setState(number, state);
}

// The main window on a fake platform.
struct WindowFixture {
    FakeDriveA drive;
    FakeMessageBoxes messages;
    FakeLauncher launcher;
    FakeFormatDialog formatDialog;
    QString driveA = QStringLiteral("no floppy drive found"); // set before it is asked for
    std::atomic<int> driveALookups = 0;
    std::atomic<int> driveAAnswersAfterMs = 0; // a slow drive
    QHash<QString, StylePlaces> places; // the catalogue's, by source file
    frmDupliva window{{drive, messages, launcher, formatDialog, [this] {
                           ++driveALookups;
                           QThread::msleep(driveAAnswersAfterMs);
                           return driveA;
                       },
                       nullptr, [](const QList<RunGroup> &groups) {
                           QStringList names;
                           for (const RunGroup &group : groups)
                               names += group.names;
                           return QStringLiteral("This run: ") + names.join(QLatin1String(", "));
                       },
                       [this](const QString &source) { return places.value(source); }}};
};
