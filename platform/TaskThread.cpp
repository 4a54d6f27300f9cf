#include "platform/TaskThread.h"

#include <utility>

TTaskThread::TTaskThread() : Thread([this] { Loop(); }) {}

TTaskThread::~TTaskThread()
{
    {
        std::lock_guard lock(Mutex);
        Stop = true;
    }
    Ready.notify_one();
}

std::future<void> TTaskThread::Run(std::function<void()> task)
{
    std::packaged_task<void()> packaged(std::move(task));
    std::future<void> done = packaged.get_future();
    {
        std::lock_guard lock(Mutex);
        Tasks.push_back(std::move(packaged));
    }
    Ready.notify_one();
    return done;
}

void TTaskThread::Loop()
{
    std::unique_lock lock(Mutex);
    for (;;) {
        Ready.wait(lock, [this] { return Stop || !Tasks.empty(); });
        if (Tasks.empty()) return; // stopped, and nothing left to run
        std::packaged_task<void()> task = std::move(Tasks.front());
        Tasks.pop_front();
        lock.unlock();
        task(); // a failure goes into the task's future
        lock.lock();
    }
}
