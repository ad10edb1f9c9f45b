#include "engine/nodes/TextFormatting.h"

#include "engine/core/CArray.h"
#include "engine/core/CName.h"

namespace {

void appendTwoDigits(CStringW& out, uint32_t value) {
    out += char16_t(u'0' + value / 10);
    out += char16_t(u'0' + value % 10);
}

} // namespace

CStringW formatMinutesSeconds(uint32_t milliseconds) {
    CStringW text;
    appendTwoDigits(text, milliseconds / 60000 % 60);
    text += u":";
    appendTwoDigits(text, milliseconds / 1000 % 60);
    return text;
}

CStringW joinNameIds(const CArray<CName>& names) {
    CStringW text;
    for (uint32_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += u";";
        text += names[i].str();
    }
    return text;
}
