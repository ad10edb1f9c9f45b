#include "engine/scene/CPropertyDataInt.h"

#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/Easing.h"
#include "engine/core/NumberText.h"

#include <climits>
#include <cmath>
#include <cstdint>

namespace {

template <class Ch> int readDecimal(const Ch* text) {
    while (*text == Ch(' ') || (*text >= Ch('\t') && *text <= Ch('\r')))
        ++text;
    return parseInt(text);
}

// from + trunc(step), held within the int range. The step of a change
// between far-apart ints may itself lie outside it.
int offsetSaturated(int from, float step) {
    constexpr float kLimit = 4294967296.0f; // beyond any change between two ints
    const int64_t whole = std::isnan(step)  ? 0
                          : step >= kLimit  ? int64_t(kLimit)
                          : step <= -kLimit ? -int64_t(kLimit)
                                            : int64_t(step);
    const int64_t sum = int64_t(from) + whole;
    return sum > INT_MAX ? INT_MAX : sum < INT_MIN ? INT_MIN : int(sum);
}

} // namespace

CRefHandle<CPropertyDataInt> CPropertyDataInt::create(int value) {
    return CRefHandle<CPropertyDataInt>(new CPropertyDataInt(value));
}

const CStringW& CPropertyDataInt::getTypeName() const {
    static const CStringW name(u"int");
    return name;
}

const CStringW& CPropertyDataInt::getClassName() const {
    static const CStringW name(u"CPropertyDataInt");
    return name;
}

CRefHandle<IPropertyData> CPropertyDataInt::clone() const { return create(m_value); }

void CPropertyDataInt::toStringW(CStringW& out) const { out = formatDecimal(m_value).text; }

void CPropertyDataInt::toString(CString& out) const { out = formatDecimal(m_value).text; }

void CPropertyDataInt::fromString(const CString& text) { m_value = readDecimal(text.c_str()); }

void CPropertyDataInt::fromStringW(const CStringW& text) { m_value = readDecimal(text.c_str()); }

bool CPropertyDataInt::equals(const IPropertyData* other) const {
    const CPropertyDataInt* that = sameKind<CPropertyDataInt>(other, TypeInt);
    return that && that->m_value == m_value;
}

bool CPropertyDataInt::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataInt* target = sameKind<CPropertyDataInt>(to, TypeInt);
    CPropertyDataInt* result = sameKind<CPropertyDataInt>(out, TypeInt);
    if (!target || !result)
        return false;
    const float change = float(int64_t(target->m_value) - int64_t(m_value));
    result->m_value = offsetSaturated(m_value, change * ratio);
    return true;
}

bool CPropertyDataInt::interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio,
                                        unsigned easingIndex) const {
    const CPropertyDataInt* target = sameKind<CPropertyDataInt>(to, TypeInt);
    CPropertyDataInt* result = sameKind<CPropertyDataInt>(out, TypeInt);
    if (!target || !result)
        return false;
    const float change = float(int64_t(target->m_value) - int64_t(m_value));
    result->m_value = truncateToInt(evaluateEasing(easingIndex, ratio, float(m_value), change));
    return true;
}
