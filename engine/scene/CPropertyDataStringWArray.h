#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CStringW.h"
#include "engine/scene/IPropertyData.h"

// A list of 16-bit texts ("stringwArray"). It has no text form; in XML it is
// an element holding one "stringw" child per text.
class CPropertyDataStringWArray : public IPropertyData {
public:
    // Copies `values`.
    explicit CPropertyDataStringWArray(const CArray<CStringW>& values = CArray<CStringW>()) : m_values(values) {}
    [[nodiscard]] static CRefHandle<CPropertyDataStringWArray> create(const CArray<CStringW>& values);

    [[nodiscard]] const CArray<CStringW>& getValues() const { return m_values; }
    void setValues(const CArray<CStringW>& values) { m_values = values; }

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeStringWArray; }
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    // The empty text.
    void toStringW(CStringW& out) const override;
    void toString(CString& out) const override;
    // Texts do not change the list.
    void fromString(const CString& text) override;
    void fromStringW(const CStringW& text) override;
    // Same count and each text equal.
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    // Switches to a copy of `to`'s list at the end (ratio >= 1, answering
    // true); before that `out` is left alone and the answer is false.
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;
    // Empties the list, then appends the first attribute of every "stringw"
    // child up to the end element "stringwArray" (or the end of the input).
    void readXml(CXmlStreamReader* reader) override;
    void writeXml(CXmlStreamWriter* writer, const CString& name) const override;

protected:
    ~CPropertyDataStringWArray() override = default;

private:
    CArray<CStringW> m_values;
};
