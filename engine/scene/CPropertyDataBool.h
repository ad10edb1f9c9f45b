#pragma once

#include "engine/scene/IPropertyData.h"

// A flag property value ("bool"), written "true" or "false".
class CPropertyDataBool : public IPropertyData {
public:
    explicit CPropertyDataBool(bool value = false) : m_value(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataBool> create(bool value);

    [[nodiscard]] bool getValue() const { return m_value; }
    void setValue(bool value) { m_value = value; }

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeBool; }
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    void toStringW(CStringW& out) const override;
    void toString(CString& out) const override;
    // Only the exact text "true" reads as true.
    void fromString(const CString& text) override;
    void fromStringW(const CStringW& text) override;
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    // Switches to `to` exactly at ratio 1; answers whether `out` changed.
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;

protected:
    ~CPropertyDataBool() override = default;

private:
    bool m_value;
};
