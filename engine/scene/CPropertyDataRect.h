#pragma once

#include "engine/core/CRect.h"
#include "engine/scene/IPropertyData.h"

// A rectangle property value ("rect"), written as left;top;right;bottom.
class CPropertyDataRect : public IPropertyData {
public:
    explicit CPropertyDataRect(const CRect& value = CRect()) : m_value(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataRect> create(const CRect& value);

    [[nodiscard]] const CRect& getValue() const { return m_value; }
    void setValue(const CRect& value) { m_value = value; }

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeRect; }
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    void toStringW(CStringW& out) const override;
    void toString(CString& out) const override;
    // Up to four numbers with any separators; missing ones are 0.
    void fromString(const CString& text) override;
    void fromStringW(const CStringW& text) override;
    // All four sides exactly equal.
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;

protected:
    ~CPropertyDataRect() override = default;

private:
    CRect m_value;
};
