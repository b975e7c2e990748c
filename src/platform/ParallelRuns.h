#pragma once

#include <QtGlobal>
#include <algorithm>
#include <future>
#include <thread>
#include <vector>

// Work over a range split into consecutive runs that go side by side: the first on the calling
// thread, each other on a thread of its own.
namespace ParallelRuns {

// One run per `smallestRun` units of work, at least one and at most one per processor.
inline size_t runsFor(qsizetype work, qsizetype smallestRun) {
    const auto processors = static_cast<qsizetype>(std::max(1u, std::thread::hardware_concurrency()));
    return static_cast<size_t>(
        std::clamp(work / std::max<qsizetype>(1, smallestRun), qsizetype(1), processors));
}

// work(begin, end) for each run of [0, count); the results in run order. An exception from any
// run is rethrown once every run has ended.
template <typename Work>
auto inRuns(size_t count, size_t runs, const Work& work) -> std::vector<decltype(work(size_t{}, size_t{}))> {
    using Result = decltype(work(size_t{}, size_t{}));
    runs = std::max<size_t>(1, runs);
    auto bound = [&](size_t run) { return count * run / runs; };
    std::vector<std::future<Result>> later;
    for (size_t run = 1; run < runs; ++run)
        later.push_back(std::async(std::launch::async, [&work, begin = bound(run), end = bound(run + 1)] {
            return work(begin, end);
        }));
    std::vector<Result> results;
    results.reserve(runs);
    results.push_back(work(0, bound(1)));
    for (auto& run : later)
        results.push_back(run.get());
    return results;
}

} // namespace ParallelRuns
