#pragma once

#include "drivea.h"

#include <QThread>

#include <functional>

// Runs blocking work, such as writing to a floppy at 30 KB a second, on a worker
// thread, while the calling thread waits in an event loop of its own and so goes on
// answering the window system and repainting.
class BackgroundWorker {
public:
    BackgroundWorker();
    ~BackgroundWorker();
    BackgroundWorker(const BackgroundWorker &) = delete;
    BackgroundWorker &operator=(const BackgroundWorker &) = delete;

    // Returns when work has finished; what work throws is thrown again here.
    void run(const std::function<void()> &work);

private:
    QThread thread;
    QObject *workerContext;
};

// A drive A whose every step is carried out by a background worker.
class BackgroundDriveA : public DriveA {
public:
    explicit BackgroundDriveA(DriveA &drive) : drive(drive) {}

    void BeginRun(const QStringList &sources) override;
    CopyOutcome FileCopy(const QString &sourcePath, const QString &destination) override;
    CopyOutcome Flush() override;
    void EndRun() override;

private:
    DriveA &drive;
    BackgroundWorker worker;
};
