#include "slots/parallel_for.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace orrisbay::slots {

unsigned MachineThreads() {
    return std::max(1U, std::thread::hardware_concurrency());
}

void ParallelFor(unsigned threads, std::size_t count,
                 const std::function<void(std::size_t)>& body) {
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            body(i);
        }
    };
    const std::size_t helpers = std::min<std::size_t>(std::max(threads, 1U), count) - (count > 0);
    {
        std::vector<std::jthread> pool;
        pool.reserve(helpers);
        for (std::size_t i = 0; i < helpers; ++i) {
            try {
                pool.emplace_back(work);
            } catch (const std::system_error&) {
                break;  // no more threads to be had: the ones running do the rest
            }
        }
        work();
    }  // the helpers are joined here
}

void ParallelForWithin(unsigned threads, std::span<const std::uint64_t> costs, std::uint64_t budget,
                       const std::function<void(std::size_t)>& body) {
    std::mutex mutex;
    std::condition_variable finished;
    std::size_t next = 0, running = 0;
    std::uint64_t spent = 0;
    ParallelFor(threads, costs.size(), [&](std::size_t) {
        std::unique_lock lock(mutex);
        // This thread takes the next call and starts it once it fits.
        const std::size_t mine = next++;
        finished.wait(lock, [&] { return running == 0 || spent + costs[mine] <= budget; });
        ++running;
        spent += costs[mine];
        lock.unlock();
        body(mine);
        lock.lock();
        --running;
        spent -= costs[mine];
        finished.notify_all();
    });
}

}  // namespace orrisbay::slots
