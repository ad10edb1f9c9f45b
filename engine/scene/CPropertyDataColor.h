#pragma once

#include "engine/core/CColor.h"
#include "engine/scene/IPropertyData.h"

// A packed A8R8G8B8 colour property value ("color"), written as eight
// lower-case hexadecimal digits, alpha first.
class CPropertyDataColor : public IPropertyData {
public:
    explicit CPropertyDataColor(CColor value = CColor()) : m_value(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataColor> create(CColor value);

    [[nodiscard]] CColor getValue() const { return m_value; }
    void setValue(CColor value) { m_value = value; }

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeColor; }
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    void toStringW(CStringW& out) const override;
    void toString(CString& out) const override;
    // Hexadecimal digits of either case up to the first other character.
    void fromString(const CString& text) override;
    void fromStringW(const CStringW& text) override;
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    // Per channel trunc(from * (1 - ratio) + to * ratio), held in 0..255.
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;

protected:
    ~CPropertyDataColor() override = default;

private:
    CColor m_value;
};
