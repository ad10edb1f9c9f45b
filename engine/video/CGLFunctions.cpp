#include "engine/video/CGLFunctions.h"

#include "engine/video/IGLContext.h"

bool CGLFunctions::load(IGLContext& context) {
    bool complete = true;
#define BM_GL_LOAD_CORE(name)                                                                                          \
    name = reinterpret_cast<decltype(name)>(context.procAddress(#name));                                               \
    complete = complete && name != nullptr;
#define BM_GL_LOAD_EXTENSION(type, name, fallback)                                                                     \
    name = reinterpret_cast<type>(context.procAddress(#name));                                                         \
    if (!name && fallback[0] != '\0')                                                                                  \
        name = reinterpret_cast<type>(context.procAddress(fallback));
    BM_GL_CORE_FUNCTIONS(BM_GL_LOAD_CORE)
    BM_GL_EXTENSION_FUNCTIONS(BM_GL_LOAD_EXTENSION)
#undef BM_GL_LOAD_CORE
#undef BM_GL_LOAD_EXTENSION
    return complete;
}
