#pragma once

class BaseNode;

// A walker (worker, stagecoach or guide character) as the building places it
// works at see it. The walkers' classes implement it; a place reaches it from
// the walker's node. Walkers are game objects, so their carried resources are
// their GObjectNode store.
class IBuildingWalker {
public:
    // The stagecoach the walker rides in; null forgets it.
    virtual void setCarrier(BaseNode* stagecoach) = 0;
    // A stagecoach's riders: how many, one of them, one more, none any more.
    // Other walkers carry nobody.
    [[nodiscard]] virtual int getPassengerCount() const = 0;
    [[nodiscard]] virtual BaseNode* getPassenger(int index) const = 0;
    virtual void addPassenger(BaseNode* worker) = 0;
    virtual void clearPassengers() = 0;
    // Set while the walker carries a job's materials; a walker without it
    // brings its load to the headquarters as income.
    virtual void setCarriesMaterials(bool carries) = 0;
    // Walks to the headquarters: with `fromCurrentPosition` from where it
    // stands and from no place, else leaving the place it is at (which hears
    // onWorkerLeft when the walker sets off).
    virtual void returnHome(bool fromCurrentPosition) = 0;
    // The Velocity of the walker's record.
    [[nodiscard]] virtual int getVelocity() const = 0;

protected:
    ~IBuildingWalker() = default;
};
