#pragma once

#include "engine/core/CRefCounted.h"
#include "engine/core/CStringW.h"
#include "game/config/GObjective.h"

#include <cstdint>
#include <memory>
#include <vector>

class CXmlStreamReader;
class IObjectiveLevel;

// One stage of a level: objectives played together against a time limit.
class ObjectivesGroup : public CRefCounted {
public:
    ObjectivesGroup() = default;

    // Reader on the "ObjectivesGroup" start element: replaces the objectives
    // with the group's "Objective" children, up to the group's end element.
    // A Type that names no kind makes no objective. The group's own
    // attributes are the caller's to read.
    void readFromXml(CXmlStreamReader& reader);

    // True when every objective is complete (asked in list order, stopping at
    // the first that is not); true for a group without objectives.
    [[nodiscard]] bool isComplete(const IObjectiveLevel& level) const;
    void resetAll();

    // Appends `objective`, which the group then owns; null is ignored.
    void add(std::unique_ptr<GObjective> objective);
    [[nodiscard]] uint32_t size() const { return uint32_t(m_objectives.size()); }
    // The objective at `index`, or null.
    [[nodiscard]] GObjective* get(uint32_t index) const {
        return index < m_objectives.size() ? m_objectives[index].get() : nullptr;
    }

    // Seconds allowed for the group.
    int Time = 120;
    int Score = 1;
    CStringW Tutorial;

protected:
    ~ObjectivesGroup() override;

private:
    std::vector<std::unique_ptr<GObjective>> m_objectives;
};
