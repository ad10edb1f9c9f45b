#include "game/app/GThousandsDelimiter.h"

#include "engine/content/CDictionary.h"
#include "engine/core/CStringW.h"

namespace {
char16_t g_delimiter = u',';
}

char16_t thousandsDelimiter() { return g_delimiter; }
void setThousandsDelimiter(char16_t delimiter) { g_delimiter = delimiter; }

char16_t thousandsDelimiterFrom(const CDictionary& dictionary) {
    if (!dictionary.contains("ThousandsDelimiter"))
        return u',';
    const CStringW text = dictionary.get("ThousandsDelimiter");
    if (text.empty())
        return 0;
    const char16_t first = text[0];
    return first == u'\r' || first == u'\n' ? u' ' : first;
}
