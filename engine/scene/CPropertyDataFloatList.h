#pragma once

#include "engine/core/CColorf.h"
#include "engine/core/CRect.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"
#include "engine/core/CVector2d.h"
#include "engine/core/CVector3d.h"
#include "engine/core/Easing.h"
#include "engine/core/NumberText.h"
#include "engine/scene/IPropertyData.h"
#include "engine/scene/PropertyText.h"

#include <array>
#include <cstddef>

// The components of the values the float-list kinds hold, in text order.
template <class V> struct FloatListFields;
template <> struct FloatListFields<CColorf> {
    static constexpr std::array<float CColorf::*, 4> members = {&CColorf::r, &CColorf::g, &CColorf::b, &CColorf::a};
};
template <> struct FloatListFields<CVector2d> {
    static constexpr std::array<float CVector2d::*, 2> members = {&CVector2d::x, &CVector2d::y};
};
template <> struct FloatListFields<CVector3d> {
    static constexpr std::array<float CVector3d::*, 3> members = {&CVector3d::x, &CVector3d::y, &CVector3d::z};
};
template <> struct FloatListFields<CRect> {
    static constexpr std::array<float CRect::*, 4> members = {&CRect::left, &CRect::top, &CRect::right, &CRect::bottom};
};

// What the float-list kinds ("colorf", "vector2d", "vector3d", "rect") share:
// a value of a few floats written as the numbers joined by ';', read with the
// list reader (any separators, missing numbers 0), equal when every
// component is, and interpolated component by component. Each kind adds its
// names, its clone and whatever rule of its own it has.
template <class V, int KindId> class CPropertyDataFloatList : public IPropertyData {
public:
    [[nodiscard]] const V& getValue() const { return m_value; }
    void setValue(const V& value) { m_value = value; }

    [[nodiscard]] int getTypeId() const override { return KindId; }

    void toStringW(CStringW& out) const override {
        CString text;
        toString(text);
        out = CStringW(text);
    }
    void toString(CString& out) const override {
        std::array<float, Fields::members.size()> components{};
        for (std::size_t i = 0; i < components.size(); ++i)
            components[i] = m_value.*Fields::members[i];
        out = formatFloatList(components.data(), components.size());
    }
    void fromString(const CString& text) override { parse(text.c_str()); }
    void fromStringW(const CStringW& text) override { parse(text.c_str()); }

    // Every component exactly equal.
    [[nodiscard]] bool equals(const IPropertyData* other) const override {
        const CPropertyDataFloatList* that = sameKind<CPropertyDataFloatList>(other, KindId);
        if (!that)
            return false;
        for (float V::*member : Fields::members)
            if (!(that->m_value.*member == m_value.*member))
                return false;
        return true;
    }

    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override {
        const CPropertyDataFloatList* target = sameKind<CPropertyDataFloatList>(to, KindId);
        CPropertyDataFloatList* result = sameKind<CPropertyDataFloatList>(out, KindId);
        if (!target || !result)
            return false;
        V value = m_value;
        for (float V::*member : Fields::members)
            value.*member = m_value.*member + (target->m_value.*member - m_value.*member) * ratio;
        result->m_value = value;
        return true;
    }

protected:
    using Fields = FloatListFields<V>;

    explicit CPropertyDataFloatList(const V& value) : m_value(value) {}
    ~CPropertyDataFloatList() override = default;

    // Each component through the easing curve `easingIndex`; false (out
    // untouched) for an index without a curve. For the kinds that ease.
    bool interpolateComponentsEased(const IPropertyData* to, IPropertyData* out, float ratio,
                                    unsigned easingIndex) const {
        const CPropertyDataFloatList* target = sameKind<CPropertyDataFloatList>(to, KindId);
        CPropertyDataFloatList* result = sameKind<CPropertyDataFloatList>(out, KindId);
        const EasingFunction ease = getEasingFunction(easingIndex);
        if (!target || !result || !ease)
            return false;
        V value = m_value;
        for (float V::*member : Fields::members)
            value.*member = ease(ratio, m_value.*member, target->m_value.*member - m_value.*member);
        result->m_value = value;
        return true;
    }

    V m_value;

private:
    template <class Char> void parse(const Char* text) {
        constexpr std::size_t count = Fields::members.size();
        V& v = m_value;
        const auto& m = Fields::members;
        if constexpr (count == 2)
            parseFloatPair(text, v.*m[0], v.*m[1]);
        else if constexpr (count == 3)
            parseFloat3(text, v.*m[0], v.*m[1], v.*m[2]);
        else
            parseFloat4(text, v.*m[0], v.*m[1], v.*m[2], v.*m[3]);
    }
};
