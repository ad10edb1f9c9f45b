#pragma once

#include "engine/core/CVector2d.h"
#include "engine/scene/CPropertyDataFloatList.h"

// A 2D vector property value ("vector2d"), written as x;y.
class CPropertyDataVector2d : public CPropertyDataFloatList<CVector2d, IPropertyData::TypeVector2d> {
public:
    explicit CPropertyDataVector2d(const CVector2d& value = CVector2d()) : CPropertyDataFloatList(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataVector2d> create(const CVector2d& value);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    // Each component through the easing curve; false (out untouched) for an
    // index without a curve.
    bool interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio,
                          unsigned easingIndex) const override;

protected:
    ~CPropertyDataVector2d() override = default;
};
