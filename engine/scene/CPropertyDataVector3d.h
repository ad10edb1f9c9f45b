#pragma once

#include "engine/core/CVector3d.h"
#include "engine/scene/IPropertyData.h"

// A 3D vector property value ("vector3d"), written as x;y;z.
class CPropertyDataVector3d : public IPropertyData {
public:
    explicit CPropertyDataVector3d(const CVector3d& value = CVector3d()) : m_value(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataVector3d> create(const CVector3d& value);

    [[nodiscard]] const CVector3d& getValue() const { return m_value; }
    void setValue(const CVector3d& value) { m_value = value; }

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeVector3d; }
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    void toStringW(CStringW& out) const override;
    void toString(CString& out) const override;
    // Up to three numbers with any separators; missing ones are 0.
    void fromString(const CString& text) override;
    void fromStringW(const CStringW& text) override;
    // Each component within 1e-6 of the other's, bounds included.
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;
    // Each component through the easing curve; false (out untouched) for an
    // index without a curve.
    bool interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio,
                          unsigned easingIndex) const override;

protected:
    ~CPropertyDataVector3d() override = default;

private:
    CVector3d m_value;
};
