#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

// A thread of its own that runs jobs one after another, in the order they were given.
class SerialThread {
public:
    SerialThread()
        : thread([this] { runJobs(); })
    {
    }

    // Runs what was given, then ends.
    ~SerialThread()
    {
        post({});
        thread.join();
    }

    SerialThread(const SerialThread &) = delete;
    SerialThread &operator=(const SerialThread &) = delete;

    void post(std::function<void()> job)
    {
        const std::lock_guard lock(mutex);
        jobs.push_back(std::move(job));
        given.notify_one();
    }

    // Runs job after everything given before it, and waits for it.
    void run(const std::function<void()> &job)
    {
        std::promise<void> done;
        post([&] {
            job();
            done.set_value();
        });
        done.get_future().wait();
    }

private:
    // An empty job ends the thread.
    void runJobs()
    {
        for (;;) {
            std::unique_lock lock(mutex);
            given.wait(lock, [this] { return !jobs.empty(); });
            const std::function<void()> job = std::move(jobs.front());
            jobs.pop_front();
            lock.unlock();
            if (!job)
                return;
            job();
        }
    }

    std::mutex mutex;
    std::condition_variable given;
    std::deque<std::function<void()>> jobs;
    std::thread thread; // last: it starts once the rest is ready
};
