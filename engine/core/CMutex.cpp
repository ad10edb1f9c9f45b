#include "engine/core/CMutex.h"

CMutex::~CMutex() = default;

CMutex& getSingletonLock() {
    // Built once, thread-safely, on first use and deliberately never destroyed:
    // objects disposed during process exit (after static destructors started
    // running) may still need it.
    static CMutex* const singletonLock = new CMutex;
    return *singletonLock;
}
