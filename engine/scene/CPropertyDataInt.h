#pragma once

#include "engine/scene/IPropertyData.h"

// A signed 32-bit property value ("int"), written as plain decimal.
class CPropertyDataInt : public IPropertyData {
public:
    explicit CPropertyDataInt(int value = 0) : m_value(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataInt> create(int value);

    [[nodiscard]] int getValue() const { return m_value; }
    void setValue(int value) { m_value = value; }

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeInt; }
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    void toStringW(CStringW& out) const override;
    void toString(CString& out) const override;
    // Leading white space, an optional sign and decimal digits; 0 when the
    // text does not begin with a number.
    void fromString(const CString& text) override;
    void fromStringW(const CStringW& text) override;
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    // from + trunc((to - from) * ratio).
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;
    // The easing curve from `from` by (to - from), truncated.
    bool interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio,
                          unsigned easingIndex) const override;

protected:
    ~CPropertyDataInt() override = default;

private:
    int m_value;
};
