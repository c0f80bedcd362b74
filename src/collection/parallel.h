#pragma once

#include <cstddef>
#include <functional>

namespace skerrow {

// The number of threads ParallelFor uses: one per core the system reports, at least one.
unsigned WorkerCount();

// Calls work(i) for every i in [0, count), spread over WorkerCount() threads (the calling thread
// among them), and returns when all calls have returned. Indices are handed out in small runs, so
// calls for nearby indices tend to run close together in time. work must not throw.
void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& work);

}  // namespace skerrow
