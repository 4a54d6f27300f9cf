#include "platform/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// How long a thread that ran out of work keeps watching for the next loop
// before it sleeps. An operation runs many short loops back to back (a read,
// a transform and its extremes for every window); waking sleeping threads
// for each of them cost more than the loops themselves.
constexpr auto kSpinTime = std::chrono::microseconds(500);

// Watches `ready` for up to kSpinTime; true when it came true.
template <class Ready>
bool SpinUntil(Ready ready)
{
    const auto until = std::chrono::steady_clock::now() + kSpinTime;
    for (unsigned i = 1;; ++i) {
        if (ready()) return true;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
        if (i % 64 == 0 && std::chrono::steady_clock::now() >= until) return false;
    }
}

// The worker threads of the process, started on the first parallel loop and
// joined at exit. One loop runs at a time; a second caller runs its parts
// itself, so nesting and concurrent callers cannot deadlock.
class TWorkerPool {
public:
    TWorkerPool()
    {
        unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        Workers.reserve(cores - 1);
        // A thread that cannot start (no address space left for its stack,
        // or the process limit reached) leaves a smaller pool; loops still
        // run. Raising instead would join the started threads, which wait
        // for a stop that never comes.
        try {
            for (unsigned i = 1; i < cores; ++i) Workers.emplace_back([this] { WorkerLoop(); });
        } catch (const std::system_error&) {
        }
    }
    ~TWorkerPool()
    {
        {
            std::lock_guard lock(Mutex);
            Stop = true;
        }
        Wake.notify_all();
        Workers.clear(); // joins
    }

    std::size_t Width() const { return Workers.size() + 1; }

    void Run(std::size_t count, const std::function<void(std::size_t)>& part)
    {
        std::unique_lock busy(Busy, std::try_to_lock);
        if (!busy.owns_lock() || Workers.empty() || count < 2) {
            for (std::size_t i = 0; i < count; ++i) part(i);
            return;
        }
        {
            std::lock_guard lock(Mutex);
            Part = &part;
            Count = count;
            Next.store(0, std::memory_order_relaxed);
            FailedIndex = count;
            Failure = nullptr;
            Generation.fetch_add(1, std::memory_order_release);
        }
        Wake.notify_all();
        RunParts(part, count);
        std::exception_ptr failure;
        SpinUntil([this] { return Active.load(std::memory_order_acquire) == 0; });
        {
            std::unique_lock lock(Mutex);
            Done.wait(lock, [this] { return Active.load() == 0; });
            Part = nullptr;
            failure = std::move(Failure);
        }
        if (failure) std::rethrow_exception(failure);
    }

private:
    void WorkerLoop()
    {
        std::uint64_t seen = 0;
        std::unique_lock lock(Mutex);
        for (;;) {
            if (!Stop && !(Part && Generation.load() != seen)) {
                lock.unlock();
                SpinUntil([&] { return Generation.load(std::memory_order_acquire) != seen; });
                lock.lock();
            }
            Wake.wait(lock, [&] { return Stop || (Part && Generation.load() != seen); });
            if (Stop) return;
            seen = Generation.load();
            ++Active;
            const std::function<void(std::size_t)>* part = Part;
            std::size_t count = Count;
            lock.unlock();
            RunParts(*part, count);
            lock.lock();
            if (--Active == 0) Done.notify_all();
        }
    }

    void RunParts(const std::function<void(std::size_t)>& part, std::size_t count)
    {
        for (std::size_t i = Next.fetch_add(1); i < count; i = Next.fetch_add(1)) {
            try {
                part(i);
            } catch (...) {
                std::lock_guard lock(Mutex);
                if (i < FailedIndex) {
                    FailedIndex = i;
                    Failure = std::current_exception();
                }
            }
        }
    }

    std::mutex Busy;
    std::mutex Mutex;
    std::condition_variable Wake;
    std::condition_variable Done;
    const std::function<void(std::size_t)>* Part = nullptr;
    std::size_t Count = 0;
    std::atomic<std::size_t> Next{0};
    // Changed under Mutex; read without it only while spinning.
    std::atomic<std::size_t> Active{0};
    std::atomic<std::uint64_t> Generation{0};
    std::size_t FailedIndex = 0;
    std::exception_ptr Failure;
    bool Stop = false;
    std::vector<std::jthread> Workers; // last: joined before the rest goes
};

TWorkerPool& Pool()
{
    static TWorkerPool pool;
    return pool;
}

} // namespace

void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& part)
{
    Pool().Run(count, part);
}

std::size_t ParallelWidth()
{
    return Pool().Width();
}

std::size_t ParallelParts()
{
    return ParallelWidth() == 1 ? 1 : 4 * ParallelWidth();
}

void ParallelSlices(std::size_t total, std::size_t granule, std::size_t minimum,
                    const std::function<void(std::size_t begin, std::size_t end)>& slice)
{
    if (total == 0) return;
    granule = std::max<std::size_t>(granule, 1);
    std::size_t parts = std::max<std::size_t>(1, std::min(ParallelParts(), total / std::max<std::size_t>(minimum, 1)));
    std::size_t length = (total + parts - 1) / parts;
    length = (length + granule - 1) / granule * granule;
    std::size_t count = (total + length - 1) / length;
    ParallelFor(count, [&](std::size_t i) {
        std::size_t begin = i * length;
        slice(begin, std::min(total, begin + length));
    });
}
