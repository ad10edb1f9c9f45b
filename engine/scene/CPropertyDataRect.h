#pragma once

#include "engine/core/CRect.h"
#include "engine/scene/CPropertyDataFloatList.h"

// A rectangle property value ("rect"), written as left;top;right;bottom.
class CPropertyDataRect : public CPropertyDataFloatList<CRect, IPropertyData::TypeRect> {
public:
    explicit CPropertyDataRect(const CRect& value = CRect()) : CPropertyDataFloatList(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataRect> create(const CRect& value);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;

protected:
    ~CPropertyDataRect() override = default;
};
