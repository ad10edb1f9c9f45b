#pragma once

#include "engine/scene/CPropertyDataContent.h"

// A reference to a sound instance ("sound"), content type 'isnd'.
class CPropertyDataSound : public CPropertyDataContent {
public:
    // No object; names are resolved through `manager` (may be null).
    explicit CPropertyDataSound(IContentManager* manager = nullptr) : CPropertyDataContent(manager) {}
    // A value holding `content` (may be null), with its own manager.
    [[nodiscard]] static CRefHandle<CPropertyDataSound> create(IContent* content);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeSound; }
    [[nodiscard]] uint32_t getContentType() const override;
    // Refers to the same object.
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;

protected:
    ~CPropertyDataSound() override = default;
};
