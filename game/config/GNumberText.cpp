#include "game/config/GNumberText.h"

#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CString.h"

#include <cmath>

char16_t thousandsDelimiter() {
    static const CStringW reference(u"%ThousandsDelimiter%");
    const CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    const CStringW text = dictionary ? dictionary->translate(reference) : reference;
    if (text == reference)
        return u',';
    if (text.empty())
        return 0;
    const char16_t first = text.c_str()[0];
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
