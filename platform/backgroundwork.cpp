#include "backgroundwork.h"

#include <QEventLoop>
#include <QMetaObject>

BackgroundWorker::BackgroundWorker()
    : workerContext(new QObject)
{
    thread.setObjectName(QStringLiteral("drive A"));
    workerContext->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, workerContext, &QObject::deleteLater);
    thread.start();
}

BackgroundWorker::~BackgroundWorker()
{
    thread.quit();
    thread.wait();
}

void BackgroundWorker::run(const std::function<void()> &work)
{
    QEventLoop waiting;
    QMetaObject::invokeMethod(
        workerContext,
        [&] {
            work();
            QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    waiting.exec();
}

void BackgroundDriveA::BeginRun()
{
    worker.run([this] { drive.BeginRun(); });
}

CopyOutcome BackgroundDriveA::FileCopy(const QString &sourcePath, const QString &destination)
{
    CopyOutcome outcome;
    worker.run([&] { outcome = drive.FileCopy(sourcePath, destination); });
    return outcome;
}

CopyOutcome BackgroundDriveA::Flush()
{
    CopyOutcome outcome;
    worker.run([&] { outcome = drive.Flush(); });
    return outcome;
}

void BackgroundDriveA::EndRun()
{
    worker.run([this] { drive.EndRun(); });
}
