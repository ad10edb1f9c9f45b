#pragma once

#include "engine/core/CColorf.h"
#include "engine/scene/IPropertyData.h"

// A colour of four floats ("colorf"), written as red;green;blue;alpha.
class CPropertyDataColorf : public IPropertyData {
public:
    explicit CPropertyDataColorf(const CColorf& value = CColorf()) : m_value(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataColorf> create(const CColorf& value);

    [[nodiscard]] const CColorf& getValue() const { return m_value; }
    void setValue(const CColorf& value) { m_value = value; }

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeColorf; }
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    void toStringW(CStringW& out) const override;
    void toString(CString& out) const override;
    // Up to four numbers with any separators; missing ones are 0.
    void fromString(const CString& text) override;
    void fromStringW(const CStringW& text) override;
    // All four components exactly equal.
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;

protected:
    ~CPropertyDataColorf() override = default;

private:
    CColorf m_value;
};
