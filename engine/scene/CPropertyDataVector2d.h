#pragma once

#include "engine/core/CVector2d.h"
#include "engine/scene/IPropertyData.h"

// A 2D vector property value ("vector2d"), written as x;y.
class CPropertyDataVector2d : public IPropertyData {
public:
    explicit CPropertyDataVector2d(const CVector2d& value = CVector2d()) : m_value(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataVector2d> create(const CVector2d& value);

    [[nodiscard]] const CVector2d& getValue() const { return m_value; }
    void setValue(const CVector2d& value) { m_value = value; }

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeVector2d; }
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    void toStringW(CStringW& out) const override;
    void toString(CString& out) const override;
    // Up to two numbers with any separators; missing ones are 0.
    void fromString(const CString& text) override;
    void fromStringW(const CStringW& text) override;
    // Both components exactly equal.
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;
    // Each component through the easing curve; false (out untouched) for an
    // index without a curve.
    bool interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio,
                          unsigned easingIndex) const override;

protected:
    ~CPropertyDataVector2d() override = default;

private:
    CVector2d m_value;
};
