#pragma once

#include "engine/scene/CPropertyBag.h"
#include "engine/scene/PropertyValues.h"

#include <algorithm>

// A value kept between two bounds: the model of sliders and progress bars.
// The setters keep Value inside [MinValue, MaxValue] and refuse bounds that
// would cross; values read from a file are kept as they were written.
struct ValueRange {
    static constexpr float DefaultMin = 0.0f;
    static constexpr float DefaultMax = 100.0f;
    static constexpr float DefaultValue = 50.0f;

    float min = DefaultMin;
    float max = DefaultMax;
    float value = DefaultValue;

    void set(float v) { value = std::min(std::max(v, min), max); }

    // False (nothing changed) unless `v` is strictly below the upper bound.
    bool setMin(float v) {
        if (!(v < max))
            return false;
        min = v;
        value = std::max(value, v);
        return true;
    }

    // False (nothing changed) unless `v` is strictly above the lower bound.
    bool setMax(float v) {
        if (!(v > min))
            return false;
        max = v;
        value = std::min(value, v);
        return true;
    }

    // Where Value stands in the range, 0 when the bounds are not in order.
    [[nodiscard]] float fraction() const { return max > min ? (value - min) / (max - min) : 0.0f; }

    // "MinValue", "MaxValue" and "Value", each only when not its default.
    void write(CPropertyBag& bag) const {
        if (min != DefaultMin)
            bag.setFloat("MinValue", min);
        if (max != DefaultMax)
            bag.setFloat("MaxValue", max);
        if (value != DefaultValue)
            bag.setFloat("Value", value);
    }

    // The values present, stored unchanged (no clamping).
    void read(const CPropertyBag& bag) {
        if (bag.indexOf("MinValue") >= 0)
            min = getPropertyFloat(bag.get("MinValue"));
        if (bag.indexOf("MaxValue") >= 0)
            max = getPropertyFloat(bag.get("MaxValue"));
        if (bag.indexOf("Value") >= 0)
            value = getPropertyFloat(bag.get("Value"));
    }
};
