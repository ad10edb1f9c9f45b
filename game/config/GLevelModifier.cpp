#include "game/config/GLevelModifier.h"

#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/GLevelModifierValues.h"

namespace {

constexpr const char16_t* kKindNames[GLevelModifier::KindCount] = {
    u"MaterialDeliveryTimeM",
    u"WorkerDeliveryTimeM",
    u"GoldDeliveryTimeM",
    u"MaterialPriceM",
    u"WorkerPriceM",
    u"GoldM",
    u"WorkersCostA",
    u"BuildTimeM",
    u"CanReceiveMoneyLetters",
    u"CanBuildingsBroke",
    u"GuestsCountM",
    u"RandomResourceAppearTimeM",
    u"ActiveFeatureRechargingTimeM",
};

} // namespace

GLevelModifier::~GLevelModifier() = default;

GLevelModifier* GLevelModifier::create(const CStringW& typeName) {
    for (int kind = 0; kind < KindCount; ++kind) {
        if (typeName == kKindNames[kind])
            return new GLevelModifier(Kind(kind));
    }
    return nullptr;
}

const char16_t* GLevelModifier::kindName(Kind kind) { return kind < KindCount ? kKindNames[kind] : u""; }

void GLevelModifier::apply(GLevelModifierValues& values) const {
    switch (m_kind) {
    case MaterialDeliveryTimeM:
        values.MaterialDeliveryTimeM *= m_value;
        break;
    case WorkerDeliveryTimeM:
        values.WorkerDeliveryTimeM *= m_value;
        break;
    case GoldDeliveryTimeM:
        values.GoldDeliveryTimeM *= m_value;
        break;
    case MaterialPriceM:
        values.MaterialPriceM *= m_value;
        break;
    case WorkerPriceM:
        values.WorkerPriceM *= m_value;
        break;
    case GoldM:
        values.GoldM *= m_value;
        break;
    case WorkersCostA:
        values.WorkersCostA += m_value;
        break;
    case BuildTimeM:
        values.BuildTimeM *= m_value;
        break;
    case CanReceiveMoneyLetters:
        values.CanReceiveMoneyLetters = m_value > 0.0f;
        break;
    case CanBuildingsBroke:
        values.CanBuildingsBroke = m_value > 0.0f;
        break;
    case GuestsCountM:
        values.GuestsCountM *= m_value;
        break;
    case RandomResourceAppearTimeM:
        values.RandomResourceAppearTimeM *= m_value;
        break;
    case ActiveFeatureRechargingTimeM:
        values.ActiveFeatureRechargingTimeM *= m_value;
        break;
    case KindCount:
        break;
    }
}

void GLevelModifier::readFromXml(const CXmlStreamReader& reader) { m_value = reader.attributeFloat("Value", 0.0f); }
