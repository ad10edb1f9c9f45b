#pragma once

#include "engine/scene/CPropertyDataContent.h"

// A reference to a loaded font ("font").
class CPropertyDataFont : public CPropertyDataContent {
public:
    // No object; names are resolved through `manager` (may be null).
    explicit CPropertyDataFont(IContentManager* manager = nullptr) : CPropertyDataContent(manager) {}
    // A value holding `content` (may be null), with its own manager.
    [[nodiscard]] static CRefHandle<CPropertyDataFont> create(IContent* content);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeFont; }
    [[nodiscard]] uint32_t getContentType() const override;
    // Refers to the same object.
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;

protected:
    ~CPropertyDataFont() override = default;
};
