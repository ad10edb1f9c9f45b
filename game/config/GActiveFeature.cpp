#include "game/config/GActiveFeature.h"

#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CString.h"
#include "engine/core/NumberText.h"
#include "engine/io/CXmlStreamReader.h"
#include "game/config/GActiveFeatureList.h"
#include "game/config/GFeatureMessages.h"
#include "game/config/GLevelModifierValues.h"
#include "game/config/IGameBuilding.h"
#include "game/config/IGameLevel.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr const char16_t* kKindNames[] = {u"GoldPercent", u"IncomePercent", u"IncomeGoldPercent"};

// A DurationTime the file leaves at 0 or below: one day.
constexpr int kEndlessDuration = 86400000;

int clampToInt(int64_t value) { return int(std::clamp<int64_t>(value, INT_MIN, INT_MAX)); }

// floor(base x share + 0.5), at least 1.
int shareOf(float base, float share) { return std::max(1, truncateToInt(std::floor(base * share + 0.5f))); }

} // namespace

GActiveFeature::~GActiveFeature() = default;

GActiveFeature* GActiveFeature::create(const CStringW& kindName) {
    for (int kind = 0; kind < int(std::size(kKindNames)); ++kind) {
        if (kindName == kKindNames[kind])
            return new GActiveFeature(Kind(kind));
    }
    return nullptr;
}

bool GActiveFeature::readFromXml(CXmlStreamReader& reader) {
    return readChildElements(reader, u"ActiveFeature", [this](CXmlStreamReader& r) {
        const CStringW& name = r.nodeName();
        if (name == u"FeatureName") {
            FeatureName = valueName(r);
        } else if (name == u"DurationTime") {
            DurationTime = valueInt(r);
            if (DurationTime < 1)
                DurationTime = kEndlessDuration;
        } else if (name == u"RechargeTime") {
            RechargeTime = std::max(1, valueInt(r));
            // A feature from the configuration starts recharging in full.
            m_progress = RechargeTime;
        } else if (name == u"Workers") {
            Workers = std::max(1, valueInt(r));
        } else if (name == u"RequiredResources") {
            readChildElements(r, u"RequiredResources", [this](CXmlStreamReader& child) {
                RequiredResources[elementName(child)] = valueInt(child);
            });
        } else if (name == u"ProducedResources") {
            readChildElements(r, u"ProducedResources", [this](CXmlStreamReader& child) {
                if (child.nodeName() == kKindNames[m_kind])
                    m_shareRange = valueFloatRange(child);
            });
        } else if (name == u"ServeArea") {
            ServeAreas.push_back(ServeArea());
            ServeAreas.back().readFromXml(r, u"ServeArea");
        } else if (name == u"UseServeAreaFromParentBuilding") {
            UseServeAreaFromParentBuilding = valueIsTrue(r);
        } else if (name == u"LevelModifiers") {
            Modifiers.reset(new LevelModifiers);
            Modifiers->readFromXml(r);
        }
    });
}

GActiveFeature* GActiveFeature::clone() const {
    GActiveFeature* copy = new GActiveFeature(m_kind);
    copy->Workers = Workers;
    copy->RequiredResources = RequiredResources;
    copy->ServeAreas = ServeAreas;
    copy->UseServeAreaFromParentBuilding = UseServeAreaFromParentBuilding;
    copy->Modifiers = Modifiers;
    copy->FeatureName = FeatureName;
    copy->DurationTime = DurationTime;
    copy->RechargeTime = RechargeTime;
    copy->m_reward = m_reward;
    copy->m_elapsed = m_elapsed;
    copy->m_progress = m_progress;
    copy->m_state = m_state;
    copy->m_shareRange = m_shareRange;
    return copy;
}

bool GActiveFeature::baseAmount(float& amount) const {
    if (!m_owner)
        return false;
    if (m_kind == IncomeGoldPercent) {
        if (!m_owner->getBuilding())
            return false;
        amount = float(m_owner->getBuilding()->getGoldIncome());
        return true;
    }
    const IGameLevel* level = m_owner->getLevel();
    if (!level)
        return false;
    amount = m_kind == GoldPercent ? float(level->getHeadquartersGold()) : level->getLevelIncome();
    return true;
}

void GActiveFeature::update(uint32_t elapsed, bool force) {
    if (!force) {
        float amount = 0.0f;
        const float threshold = m_kind == IncomePercent ? 0.1f : 0.0f;
        if (!baseAmount(amount) || !(amount > threshold))
            return;
    }
    if (m_state == Active) {
        m_elapsed = clampToInt(int64_t(m_elapsed) + elapsed);
        if (m_elapsed < DurationTime) {
            // 64 bits: with a day-long DurationTime the product passes 32.
            m_progress = DurationTime > 0 ? int(int64_t(m_elapsed) * RechargeTime / DurationTime) : RechargeTime;
            return;
        }
        // A handler may release the list and this feature with it.
        const CRefHandle<GActiveFeature> keep = CRefHandle<GActiveFeature>::share(this);
        m_progress = RechargeTime;
        m_elapsed = 0;
        m_state = Recharging;
        postFinished();
        postRecharging();
    } else if (m_state == Recharging) {
        int64_t step = elapsed;
        const IGameLevel* level = m_owner ? m_owner->getLevel() : nullptr;
        if (const GLevelModifierValues* values = level ? level->getModifierValues() : nullptr) {
            const int scaled = truncateToInt(float(elapsed) * values->ActiveFeatureRechargingTimeM);
            if (scaled >= 1)
                step = scaled;
        }
        const int64_t left = int64_t(m_progress) - step;
        if (left > 0) {
            m_progress = int(left);
            return;
        }
        m_progress = 0;
        m_state = Ready;
        postReady();
    }
}

void GActiveFeature::rollReward() {
    float base = 0.0f;
    if (!baseAmount(base))
        return;
    const float share = drawFromRange(m_shareRange);
    m_reward[m_kind == IncomePercent ? nameIdMoney() : nameIdGold()] = shareOf(base, share);
}

CStringW GActiveFeature::getDescription() const {
    float base = 0.0f;
    CDictionary* dictionary = CEngineManagers::instance().getDictionary();
    if (m_kind == IncomePercent || !dictionary || !baseAmount(base))
        return CStringW();
    const int amount = shareOf(base, m_shareRange.min + (m_shareRange.max - m_shareRange.min) * 0.5f);
    return dictionary->format(CString("GamePlay_Gold"), CStringW(amount), CStringW(), CStringW(), CStringW());
}

float GActiveFeature::getProgressRatio() const {
    float ratio = 0.0f;
    if (m_state == Active && DurationTime > 0)
        ratio = float(m_elapsed) / float(DurationTime);
    else if (m_state == Recharging && RechargeTime > 0)
        ratio = float(m_progress) / float(RechargeTime);
    return std::clamp(ratio, 0.0f, 1.0f);
}

template <class Message> void GActiveFeature::post() {
    if (!m_owner || !m_owner->getLevel() || !m_owner->getBuilding())
        return;
    // Keeps this feature alive should a handler clear the list.
    const CRefHandle<GActiveFeature> keep = CRefHandle<GActiveFeature>::share(this);
    const CRefHandle<Message> message(new Message(m_owner->getBuilding()->getBuildingNode(), this));
    sendToLevel(m_owner->getLevel()->getLevelReceiver(), message.get());
}

void GActiveFeature::postActivated() { post<GFeatureActivatedMessage>(); }
void GActiveFeature::postRecharging() { post<GFeatureRechargingMessage>(); }
void GActiveFeature::postFinished() { post<GFeatureFinishedMessage>(); }
void GActiveFeature::postReady() { post<GFeatureReadyMessage>(); }
