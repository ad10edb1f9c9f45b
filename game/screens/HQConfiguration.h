#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"

#include <cstdint>

class BaseNode;
class CXmlStreamReader;

// One part of a flashing group: its name, the part node of the screen shown
// (null when the screen has none of that name) and whether it still flashes.
struct HQConfigEntry {
    CName name;
    BaseNode* part = nullptr;
    bool flashing = false;
};

// A group of parts that flash together, and the time to the next group.
struct HQConfigItem {
    int32_t timeDelay = 0;
    CArray<HQConfigEntry> entries;
};

// The flashing groups of the headquarters screen ("scenes/HQConfig.xml"):
// "Item" elements holding "Name" and "TimeDelay" elements. An item without a
// delay keeps the one before it.
class HQConfiguration : public CRefCounted {
public:
    HQConfiguration() = default;

    // Reads items up to the "HQConfiguration" end element or the end of the
    // document; an item counts once its end element is read.
    void readFromXml(CXmlStreamReader& reader);
    // The first entry named `name`, in any item, stops flashing.
    void clearFlashing(CName name);
    // Every entry flashes again.
    void setAllFlashing();

    [[nodiscard]] CArray<HQConfigItem>& getItems() { return m_items; }
    [[nodiscard]] const CArray<HQConfigItem>& getItems() const { return m_items; }

protected:
    ~HQConfiguration() override = default;

private:
    CArray<HQConfigItem> m_items;
};
