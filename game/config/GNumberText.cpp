#include "game/config/GNumberText.h"

#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CString.h"

#include <cmath>

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

CStringW groupedNumber(int n) { return CStringW::formatIntegerWithSeparator(n, thousandsDelimiter()); }

CStringW plainNumber(int n) { return CStringW::formatIntegerWithSeparator(n, 0); }

CStringW moneyText(int n) {
    const CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    const CStringW number = groupedNumber(n);
    if (!dictionary)
        return number;
    return dictionary->format(CString("MoneyDollar"), number, CStringW(), CStringW(), CStringW());
}

int wholeNumber(float value) {
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0f)
        return 2147483647;
    if (value <= -2147483648.0f)
        return -2147483647 - 1;
    return int(std::trunc(value));
}
