// A library with thread-local data in the general dynamic model, as a
// library loaded at run time has: each thread's block is allocated on its
// first use.
#include <cstdint>

namespace {
__attribute__((tls_model("global-dynamic"))) thread_local int64_t counters[3];
} // namespace

extern "C" __attribute__((visibility("default"))) int64_t bumpThreadLocalCounter(int64_t by) {
    counters[0] += by;
    return counters[0];
}
