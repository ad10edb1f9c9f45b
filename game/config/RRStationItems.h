#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefCounted.h"

class CXmlStreamReader;

// One offer of the railway station: an amount of Materials or Gold, bought
// or (Type "Sale") sold for money drawn from a range.
struct GRRStationItem {
    bool sale = false;
    CName resource;
    int amount = 0;
    int moneyMinimum = 0;
    int moneyMaximum = 0;
    // The node template of the offer's button.
    CName Template;
};

// The railway station's offers in four lists, each in ascending order of
// amount ("RRStationItems" element of the objects configuration).
class RRStationItems : public CRefCounted {
public:
    enum List { Materials = 0, Gold = 1, SaleMaterials = 2, SaleGold = 3, ListCount = 4 };

    RRStationItems() = default;

    // Replaces the lists with the "Item" children of the current element.
    // An item giving Materials of at least 1 trades Materials; any other
    // trades its Gold (possibly 0).
    void readFromXml(CXmlStreamReader& reader);

    [[nodiscard]] const CArray<GRRStationItem>& getList(List list) const { return m_lists[list]; }

protected:
    ~RRStationItems() override;

private:
    CArray<GRRStationItem> m_lists[ListCount];
};
