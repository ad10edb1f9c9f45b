#pragma once

// The level-wide values that level modifiers change, kept in the level
// configuration. The level scene never accumulates changes: it resets the
// block and applies every modifier in force again whenever it recalculates.
struct GLevelModifierValues {
    float MaterialDeliveryTimeM = 1.0f;
    float WorkerDeliveryTimeM = 1.0f;
    float GoldDeliveryTimeM = 1.0f;
    float MaterialPriceM = 1.0f;
    float WorkerPriceM = 1.0f;
    float GoldM = 1.0f;
    // Added, not multiplied: floor(value + 0.5) fewer workers for building,
    // repairing and destroying.
    float WorkersCostA = 0.0f;
    float BuildTimeM = 1.0f;
    bool CanReceiveMoneyLetters = false;
    bool CanBuildingsBroke = true;
    float GuestsCountM = 1.0f;
    float RandomResourceAppearTimeM = 1.0f;
    float ActiveFeatureRechargingTimeM = 1.0f;

    // Restores the defaults above.
    void reset() { *this = GLevelModifierValues(); }
};
