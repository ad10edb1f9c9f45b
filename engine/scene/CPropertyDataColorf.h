#pragma once

#include "engine/core/CColorf.h"
#include "engine/scene/CPropertyDataFloatList.h"

// A colour of four floats ("colorf"), written as red;green;blue;alpha.
class CPropertyDataColorf : public CPropertyDataFloatList<CColorf, IPropertyData::TypeColorf> {
public:
    explicit CPropertyDataColorf(const CColorf& value = CColorf()) : CPropertyDataFloatList(value) {}
    [[nodiscard]] static CRefHandle<CPropertyDataColorf> create(const CColorf& value);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;

protected:
    ~CPropertyDataColorf() override = default;
};
