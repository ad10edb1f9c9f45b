// Options the address sanitizer starts with in the test programs (the
// ASAN_OPTIONS variable adds to them and wins where both name an option).
//
// The runtime's own record of each thread's dynamically allocated
// thread-local blocks (those of libraries loaded at run time: the GL
// implementation loads LLVM, whose thread-locals are such blocks) guesses a
// block's extent from a header an old C library put in front of it whenever
// the block starts 16 bytes into a page. Ours puts none there: the guess
// takes the allocator's chunk header for a range, and the leak check at exit
// scans that range and dies, at random, after every test has passed. Without
// the record the blocks are still found, as ordinary allocations the C
// library's thread data points to, so no leak goes unseen and none is
// invented.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}

// Leaks the leak check does not report, kept by libraries for the life of
// the process, not by the code under test:
// - Mesa's software rasteriser keeps a few bytes it never frees (the text of
//   an assembly program's last error, for one).
// - SDL reaches the session bus library when a window opens; with DISPLAY set
//   and no session bus given, the library's start-up (its search for a bus
//   to start) keeps blocks that only its own shut-down, which SDL does not
//   call, would free.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:swrast_dri.so\n"
           "leak:libdbus-1.so\n";
}
