// Loads a library at run time and uses its thread-local data on the main
// thread, arranged so that the thread's block starts 16 bytes into a page,
// then ends normally for the leak check at exit to run. The check must
// neither fail nor report anything: the process ends with 0.
#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    void* library = dlopen(argv[1], RTLD_NOW);
    if (!library) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    using Bump = int64_t (*)(int64_t);
    auto bump = reinterpret_cast<Bump>(dlsym(library, "bumpThreadLocalCounter"));
    if (!bump)
        return 2;
    // Blocks of the thread-local block's size come one after another: step
    // until the next one starts 16 bytes into a page. Kept (in an array that
    // outlives the static destructors), so none leaks.
    static void* kept[1 << 16];
    for (size_t count = 0;; ++count) {
        if (count == std::size(kept))
            return 3;
        kept[count] = std::malloc(24);
        if (count == 0)
            continue;
        const auto last = reinterpret_cast<uintptr_t>(kept[count]);
        const auto before = reinterpret_cast<uintptr_t>(kept[count - 1]);
        if (last > before && (last + (last - before)) % 4096 == 16)
            break;
    }
    return bump(1) == 1 ? 0 : 4;
}
