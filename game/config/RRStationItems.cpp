#include "game/config/RRStationItems.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"
#include "game/config/GResources.h"

RRStationItems::~RRStationItems() = default;

void RRStationItems::readFromXml(CXmlStreamReader& reader) {
    for (CArray<GRRStationItem>& list : m_lists)
        list.clear();
    readChildElements(reader, u"RRStationItems", [this](CXmlStreamReader& r) {
        if (!(r.nodeName() == u"Item"))
            return;
        GRRStationItem item;
        const GIntRange money = attributeIntRange(r, "MoneyRange");
        item.moneyMinimum = money.min;
        item.moneyMaximum = money.max;
        item.Template = attributeName(r, "Template");
        item.sale = r.attribute("Type") == u"Sale";
        const int materials = r.attributeInt("Materials", 0);
        const bool tradesMaterials = materials >= 1;
        item.resource = tradesMaterials ? nameIdMaterials() : nameIdGold();
        item.amount = tradesMaterials ? materials : r.attributeInt("Gold", 0);
        m_lists[(item.sale ? SaleMaterials : Materials) + (tradesMaterials ? 0 : 1)].push_back(item);
    });
    for (CArray<GRRStationItem>& list : m_lists)
        heapSort(list.data(), list.size(),
                 [](const GRRStationItem& a, const GRRStationItem& b) { return a.amount < b.amount; });
}
