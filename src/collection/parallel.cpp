#include "collection/parallel.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace skerrow {

unsigned WorkerCount()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& work)
{
    // Runs of a few items keep the shared counter cold without leaving one thread a long tail.
    constexpr std::size_t Run = 8;
    std::atomic<std::size_t> nextIndex{0};
    const auto drain = [&] {
        while (true) {
            const std::size_t first = nextIndex.fetch_add(Run, std::memory_order_relaxed);
            if (first >= count)
                return;
            const std::size_t last = std::min(count, first + Run);
            for (std::size_t i = first; i < last; ++i)
                work(i);
        }
    };

    const std::size_t runs = (count + Run - 1) / Run;
    const std::size_t helpers = runs > 1 ? std::min<std::size_t>(WorkerCount() - 1, runs - 1) : 0;
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (std::size_t t = 1; t <= helpers; ++t)
        threads.emplace_back(drain);
    drain();
    for (std::thread& thread : threads)
        thread.join();
}

}  // namespace skerrow
