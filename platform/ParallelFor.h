#pragma once
// Spreads the independent parts of one operation over the machine's cores.
// The operation still runs to its end inside its caller: ParallelFor returns
// only after every part has run, so callers see no concurrency beyond the
// call. Results stay deterministic when each part writes only its own slice
// and the caller combines the parts' results in index order.
#include <cstddef>
#include <functional>

// Runs part(i) for every i in [0, count), on the calling thread and on the
// pool's worker threads. An exception of a part is rethrown once all parts
// have ended: the one of the lowest index, which a front-to-back loop would
// have met first. A call from inside a part executes its parts one after
// the other on its own thread; calls of several threads at once share the
// workers.
void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& part);

// The number of threads ParallelFor uses: the cores of the machine.
std::size_t ParallelWidth();
// The number of parts to cut an operation into: a few per core, so that a
// core taken away by the system holds up only a small part while the others
// take the rest.
std::size_t ParallelParts();

// Splits `total` items into at most ParallelParts() slices whose lengths are
// multiples of `granule` (except the last) and of at least `minimum` items,
// and runs slice(begin, end) for each. The slicing depends on the width,
// so callers whose result must not depend on the machine combine the slices
// in an order-independent or granule-aligned way.
void ParallelSlices(std::size_t total, std::size_t granule, std::size_t minimum,
                    const std::function<void(std::size_t begin, std::size_t end)>& slice);
