#pragma once

#include "engine/core/CString.h"
#include "engine/scene/IPropertyData.h"

class CName;

// An 8-bit text property value ("string"); also the exchange kind of
// name-valued properties.
class CPropertyDataString : public IPropertyData {
public:
    CPropertyDataString() = default;
    explicit CPropertyDataString(const CString& value) : m_value(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataString> create(const CString& value);
    // A value holding the text of an interned name (empty for the empty name).
    [[nodiscard]] static CRefHandle<CPropertyDataString> createFromNameId(CName name);

    [[nodiscard]] const CString& getValue() const { return m_value; }
    void setValue(const CString& value) { m_value = value; }

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeString; }
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    // Each byte widened.
    void toStringW(CStringW& out) const override;
    void toString(CString& out) const override;
    void fromString(const CString& text) override;
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    // Switches to a copy of `to` at the end (ratio >= 1, answering true);
    // before that `out` is left alone and the answer is false.
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;

protected:
    ~CPropertyDataString() override = default;

private:
    CString m_value;
};
