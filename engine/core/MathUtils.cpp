#include "engine/core/MathUtils.h"

const std::array<float, 360>& sineTable() {
    static const std::array<float, 360> table = [] {
        std::array<float, 360> values{};
        for (int k = 0; k < 360; ++k)
            values[k] = static_cast<float>(std::sin(k * kDegToRadD));
        return values;
    }();
    return table;
}
