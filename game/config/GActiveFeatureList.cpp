#include "game/config/GActiveFeatureList.h"

GActiveFeatureList::~GActiveFeatureList() {
    for (CRefHandle<GActiveFeature>& feature : m_features)
        feature->m_owner = nullptr;
}

int GActiveFeatureList::add(GActiveFeature* feature) {
    if (!feature)
        return -1;
    for (uint32_t i = 0; i < m_features.size(); ++i) {
        if (m_features[i]->FeatureName == feature->FeatureName)
            return int(i);
    }
    feature->m_owner = this;
    m_features.push_back(CRefHandle<GActiveFeature>::share(feature));
    return int(m_features.size() - 1);
}

GActiveFeature* GActiveFeatureList::findActive() const {
    for (const CRefHandle<GActiveFeature>& feature : m_features) {
        if (feature->m_state == GActiveFeature::Active)
            return feature.get();
    }
    return nullptr;
}

void GActiveFeatureList::activate(uint32_t index) {
    GActiveFeature* feature = get(index);
    if (!feature || findActive() || feature->m_state != GActiveFeature::Ready)
        return;
    feature->m_elapsed = 0;
    feature->m_state = GActiveFeature::Active;
    feature->postActivated();
}

void GActiveFeatureList::stopAll() {
    // Handlers may change the list: work on a copy.
    const CArray<CRefHandle<GActiveFeature>> features = m_features;
    for (const CRefHandle<GActiveFeature>& feature : features) {
        if (feature->m_state == GActiveFeature::Active) {
            feature->m_state = GActiveFeature::Recharging;
            feature->postRecharging();
        }
    }
}

void GActiveFeatureList::updateAll(uint32_t elapsed, bool force) {
    const CArray<CRefHandle<GActiveFeature>> features = m_features;
    for (const CRefHandle<GActiveFeature>& feature : features)
        feature->update(elapsed, force);
}

void GActiveFeatureList::rollAll() {
    for (const CRefHandle<GActiveFeature>& feature : m_features)
        feature->rollReward();
}

void GActiveFeatureList::copyFrom(const GActiveFeatureList& other) {
    if (&other == this)
        return;
    clear();
    for (const CRefHandle<GActiveFeature>& source : other.m_features) {
        CRefHandle<GActiveFeature> copy(source->clone());
        add(copy.get());
        if (copy->m_state == GActiveFeature::Active && copy->m_owner == this) {
            copy->m_state = GActiveFeature::Recharging;
            copy->postRecharging();
        }
    }
}

void GActiveFeatureList::clear() {
    stopAll();
    CArray<CRefHandle<GActiveFeature>> features = std::move(m_features);
    m_features.clear();
    for (CRefHandle<GActiveFeature>& feature : features)
        feature->m_owner = nullptr;
}
