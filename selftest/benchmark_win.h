#pragma once
// Readings the start-up benchmark takes of its own process.
#include <cstdint>

namespace tavrel::win {

// Kernel plus user time of this process so far, in 100-ns units; 0 when it cannot be read.
uint64_t process_cpu_time();

}  // namespace tavrel::win
