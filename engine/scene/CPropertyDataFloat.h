#pragma once

#include "engine/scene/IPropertyData.h"

// A 32-bit float property value ("float"), written with six decimals at
// most and no trailing zeros.
class CPropertyDataFloat : public IPropertyData {
public:
    explicit CPropertyDataFloat(float value = 0.0f) : m_value(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataFloat> create(float value);

    [[nodiscard]] float getValue() const { return m_value; }
    void setValue(float value) { m_value = value; }

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeFloat; }
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    void toStringW(CStringW& out) const override;
    void toString(CString& out) const override;
    // Optional '-', digits, optional fraction and exponent; 0 for other text.
    void fromString(const CString& text) override;
    void fromStringW(const CStringW& text) override;
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;
    bool interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio,
                          unsigned easingIndex) const override;

protected:
    ~CPropertyDataFloat() override = default;

private:
    float m_value;
};
