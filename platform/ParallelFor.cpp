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
// for each of them cost more than the loops themselves. Loops of other
// threads fill most gaps now, and on a machine shared with other work a
// longer watch took the cores from this process's own writer and reader
// threads (the calculator's window loop ran a fifth slower with 500 us).
constexpr auto kSpinTime = std::chrono::microseconds(50);

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

// A part that starts a loop of its own runs that loop on its own thread:
// waiting for workers from inside a part could wait for itself.
thread_local bool tInsidePart = false;

// One running loop. Its caller owns it; workers join it under the pool's
// mutex and leave it under the mutex, so the caller can tell when none is
// inside any more.
struct TLoop {
    TLoop(const std::function<void(std::size_t)>& part, std::size_t count)
        : Part(part), Count(count), FailedIndex(count) {}
    const std::function<void(std::size_t)>& Part;
    const std::size_t Count;
    std::atomic<std::size_t> Next{0};
    std::atomic<std::size_t> Helpers{0}; // changed under the pool's mutex
    std::size_t FailedIndex;             // under the pool's mutex
    std::exception_ptr Failure;          // under the pool's mutex
};

// The worker threads of the process, started on the first parallel loop and
// joined at exit. Loops of several threads run at once: a worker that ran
// out of parts of one loop takes parts of the oldest loop that has some
// left, so a thread that reads while another computes keeps every core busy
// and nobody waits at a hand-over.
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
        if (tInsidePart || Workers.empty() || count < 2) {
            for (std::size_t i = 0; i < count; ++i) RunPart(part, i);
            return;
        }
        TLoop loop(part, count);
        {
            std::lock_guard lock(Mutex);
            Loops.push_back(&loop);
            Generation.fetch_add(1, std::memory_order_release);
        }
        Wake.notify_all();
        RunParts(loop);
        SpinUntil([&] { return loop.Helpers.load(std::memory_order_acquire) == 0; });
        std::exception_ptr failure;
        {
            std::unique_lock lock(Mutex);
            Left.wait(lock, [&] { return loop.Helpers.load() == 0; });
            Loops.erase(std::find(Loops.begin(), Loops.end(), &loop));
            failure = std::move(loop.Failure);
        }
        if (failure) std::rethrow_exception(failure);
    }

private:
    static void RunPart(const std::function<void(std::size_t)>& part, std::size_t i)
    {
        struct TRestore {
            bool Outer;
            ~TRestore() { tInsidePart = Outer; }
        } restore{tInsidePart};
        tInsidePart = true;
        part(i);
    }

    // The oldest loop with parts left; under Mutex.
    TLoop* OpenLoop() const
    {
        for (TLoop* loop : Loops)
            if (loop->Next.load(std::memory_order_relaxed) < loop->Count) return loop;
        return nullptr;
    }

    void WorkerLoop()
    {
        std::unique_lock lock(Mutex);
        for (;;) {
            if (TLoop* loop = OpenLoop()) {
                loop->Helpers.fetch_add(1);
                lock.unlock();
                RunParts(*loop);
                lock.lock();
                if (loop->Helpers.fetch_sub(1) == 1) Left.notify_all();
                continue;
            }
            if (Stop) return;
            const std::uint64_t seen = Generation.load();
            lock.unlock();
            SpinUntil([&] { return Generation.load(std::memory_order_acquire) != seen; });
            lock.lock();
            Wake.wait(lock, [&] { return Stop || Generation.load() != seen; });
        }
    }

    void RunParts(TLoop& loop)
    {
        for (std::size_t i = loop.Next.fetch_add(1); i < loop.Count; i = loop.Next.fetch_add(1)) {
            try {
                RunPart(loop.Part, i);
            } catch (...) {
                std::lock_guard lock(Mutex);
                if (i < loop.FailedIndex) {
                    loop.FailedIndex = i;
                    loop.Failure = std::current_exception();
                }
            }
        }
    }

    std::mutex Mutex;
    std::condition_variable Wake;
    std::condition_variable Left;
    std::vector<TLoop*> Loops; // under Mutex, oldest first
    // Changed under Mutex; read without it only while spinning.
    std::atomic<std::uint64_t> Generation{0};
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
