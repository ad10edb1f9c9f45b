#pragma once

#include "engine/core/CStringW.h"
#include "engine/scene/IPropertyData.h"

// A 16-bit text property value ("stringw"): texts shown to the player.
class CPropertyDataStringW : public IPropertyData {
public:
    CPropertyDataStringW() = default;
    explicit CPropertyDataStringW(const CStringW& value) : m_value(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataStringW> create(const CStringW& value);

    [[nodiscard]] const CStringW& getValue() const { return m_value; }
    void setValue(const CStringW& value) { m_value = value; }

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeStringW; }
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    void toStringW(CStringW& out) const override;
    // Each unit narrowed to its low byte.
    void toString(CString& out) const override;
    // Each byte widened.
    void fromString(const CString& text) override;
    void fromStringW(const CStringW& text) override;
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    // Switches to a copy of `to` at the end (ratio >= 1, answering true);
    // before that `out` is left alone and the answer is false.
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;

protected:
    ~CPropertyDataStringW() override = default;

private:
    CStringW m_value;
};
