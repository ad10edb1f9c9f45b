#pragma once

#include "engine/core/CRefCounted.h"

// The job that occupies a building place while workers do something there,
// as the place sees it. Shared by the place and the level's scheduler.
class IBuildingTask : public virtual CRefCounted {
public:
    // Stops the job and sends its workers and cost back; the place's task is
    // cleared by the job. Answers the job's own result code.
    virtual int cancel() = 0;
    // 0 to 1.
    [[nodiscard]] virtual float getProgress() const = 0;

protected:
    ~IBuildingTask() override = default;
};
