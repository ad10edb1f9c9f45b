#pragma once

#include "engine/core/CVector3d.h"
#include "engine/scene/CPropertyDataFloatList.h"

// A 3D vector property value ("vector3d"), written as x;y;z.
class CPropertyDataVector3d : public CPropertyDataFloatList<CVector3d, IPropertyData::TypeVector3d> {
public:
    explicit CPropertyDataVector3d(const CVector3d& value = CVector3d()) : CPropertyDataFloatList(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataVector3d> create(const CVector3d& value);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    // Each component within 1e-6 of the other's, bounds included.
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    // Each component through the easing curve; false (out untouched) for an
    // index without a curve.
    bool interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio,
                          unsigned easingIndex) const override;

protected:
    ~CPropertyDataVector3d() override = default;
};
