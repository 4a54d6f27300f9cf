#pragma once
// A thread of its own that runs tasks one after another, beside the thread
// that hands them over: a window written while the next one is computed.
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

class TTaskThread {
public:
    // Raises std::system_error when no thread can be started.
    TTaskThread();
    // Runs the tasks still queued, then ends the thread.
    ~TTaskThread();
    TTaskThread(const TTaskThread&) = delete;
    TTaskThread& operator=(const TTaskThread&) = delete;

    // Queues `task` behind the ones given before; the future gives its end,
    // or its failure.
    std::future<void> Run(std::function<void()> task);

private:
    void Loop();

    std::mutex Mutex;
    std::condition_variable Ready;
    std::deque<std::packaged_task<void()>> Tasks; // under Mutex
    bool Stop = false;                            // under Mutex
    std::jthread Thread;                          // last: joined before the rest goes
};
