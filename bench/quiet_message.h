// The benchmarks link this in place of the platform's message: a message
// is counted and kept, never shown, and nothing waits.
#ifndef TOVRA_BENCH_QUIET_MESSAGE_H
#define TOVRA_BENCH_QUIET_MESSAGE_H

#include <string>

namespace tovra_bench {

// Messages shown since the start of the process, and the last one.
long MessageCount();
const std::string &LastMessage();

}  // namespace tovra_bench

#endif
