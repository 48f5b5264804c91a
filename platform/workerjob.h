#pragma once

#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <functional>

// A blocking job, such as writing or asking drive A, run on a worker thread while the
// window's thread goes on; its result comes back on the owner's thread, to done. The
// owner keeps the job as a member: when the owner goes, the job is asked to stop and
// waited for, since it uses what the owner holds. A job that holds everything it uses
// itself may instead be left to end on its own, in a pool that someone waits for.
template<typename Result>
class WorkerJob {
public:
    enum Ending { WaitWhenGone, LeaveRunning };

    WorkerJob(QObject *owner, std::function<void(const Result &)> done, Ending ending = WaitWhenGone)
        : ending(ending)
    {
        QObject::connect(&watcher, &QFutureWatcher<Result>::finished, owner, [this, done] { done(watcher.result()); });
    }
    ~WorkerJob()
    {
        if (ending == WaitWhenGone) {
            stop();
            watcher.waitForFinished();
        }
    }
    WorkerJob(const WorkerJob &) = delete;
    WorkerJob &operator=(const WorkerJob &) = delete;

    void start(std::function<Result()> job, QThreadPool *pool = QThreadPool::globalInstance())
    {
        stopping = false;
        watcher.setFuture(QtConcurrent::run(pool, std::move(job)));
    }
    // The job reads stopRequested() before each of its steps.
    void stop() { stopping = true; }
    bool stopRequested() const { return stopping; }
    bool isRunning() const { return watcher.isRunning(); }

private:
    QFutureWatcher<Result> watcher;
    std::atomic_bool stopping = false;
    const Ending ending;
};
