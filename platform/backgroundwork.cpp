#include "backgroundwork.h"

#include <QEventLoop>
#include <QMetaObject>

#include <exception>

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
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        workerContext,
        [&] {
            // Thrown on the worker thread, it would end the program; the caller reports it.
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    waiting.exec();
    if (failure)
        std::rethrow_exception(failure);
}

void BackgroundDriveA::BeginRun(const QStringList &sources)
{
    worker.run([this, &sources] { drive.BeginRun(sources); });
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
