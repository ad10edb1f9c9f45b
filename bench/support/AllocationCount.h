#pragma once

#include <cstdint>

// How many times the program has called operator new so far. The benchmark
// that links AllocationCount.cpp routes every allocation through a counting
// operator new (malloc underneath).
[[nodiscard]] uint64_t allocationCount();
