#pragma once

// A train as the railway station it stops at sees it. The train class
// implements it; the station reaches it from the train's node.
class IStationTrain {
public:
    // Starts the departure (the train tells the station onTrainLeft).
    virtual void leave() = 0;

protected:
    ~IStationTrain() = default;
};
