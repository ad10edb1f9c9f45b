#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "game/play/GTutorialHint.h"

#include <cstdint>

class CXmlStreamReader;

// The hints of one tutorial file, in order.
class GTutorialHintList : public CRefCounted {
public:
    GTutorialHintList() = default;

    // Drops the hints held and reads every "Hint" element up to the end of
    // "Tutorial" or of the input. Other elements are passed over.
    void read(CXmlStreamReader& reader);

    [[nodiscard]] uint32_t size() const { return m_hints.size(); }
    [[nodiscard]] GTutorialHint* get(uint32_t index) const { return m_hints[index].get(); }

protected:
    ~GTutorialHintList() override;

private:
    CArray<CRefHandle<GTutorialHint>> m_hints;
};
