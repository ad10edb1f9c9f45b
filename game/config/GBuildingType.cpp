#include "game/config/GBuildingType.h"

#include "engine/core/CStringW.h"

#include <string_view>

namespace {

constexpr std::u16string_view kNames[int(GBuildingType::Count)] = {
    u"BuildingPlace", u"Apartment", u"Commercial", u"Service", u"Produce", u"OnRoad", u"MajorOffice", u"Uniq",
};

} // namespace

GBuildingType buildingTypeFromName(const CStringW& text) {
    const std::u16string_view view = text.view();
    for (int type = 0; type < int(GBuildingType::Count); ++type) {
        if (view.starts_with(kNames[type]))
            return GBuildingType(type);
    }
    return GBuildingType::BuildingPlace;
}

const char16_t* buildingTypeName(int type) {
    return type >= 0 && type < int(GBuildingType::Count) ? kNames[type].data() : u"";
}
