#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/ControlNode.h"
#include "game/config/GBuildingConfig.h"
#include "game/play/GTutorialAction.h"
#include "game/play/ITutorialBuildings.h"

#include <cstdint>
#include <string>
#include <vector>

// A building place as the tutorial sees one: a control of the building
// node's type id, named after its place.
class FakeBuildingNode : public ControlNode {
public:
    explicit FakeBuildingNode(const char* place) : ControlNode(CObjectName(), nullptr, nullptr) {
        setName(CName(place));
    }
    [[nodiscard]] int32_t getTypeId() const override { return ITutorialBuildings::BuildingNodeTypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override {
        return id == ITutorialBuildings::BuildingNodeTypeId || ControlNode::isKindOf(id);
    }

protected:
    ~FakeBuildingNode() override = default;
};

// The type records of the fake buildings.
class FakeBuildings : public ITutorialBuildings {
public:
    // A building at `place` with a type record named `type` (none for null).
    CRefHandle<FakeBuildingNode> add(const char* place, const char* type) {
        CRefHandle<FakeBuildingNode> node(new FakeBuildingNode(place));
        if (type) {
            CRefHandle<GBuildingConfig> record(new GBuildingConfig);
            record->Name = CName(type);
            m_types[node.get()] = record;
        }
        m_nodes.push_back(node);
        return node;
    }

    [[nodiscard]] const GBuildingConfig* getBuildingType(const BaseNode* building) const override {
        auto found = m_types.find(building);
        return found == m_types.end() ? nullptr : found->value.get();
    }

private:
    CMap<const BaseNode*, CRefHandle<GBuildingConfig>> m_types;
    CArray<CRefHandle<FakeBuildingNode>> m_nodes;
};

// What a level receives from the tutorial: every event's type id and a
// line describing its payload. It handles every event; the building-exists
// query is answered from `standing` (type names).
class RecordingLevel : public CEventReceiver {
public:
    bool handleEvent(CEvent* event) override;

    std::vector<int32_t> ids;
    std::vector<std::string> lines;
    std::vector<std::string> standing;

    std::vector<std::string> takeLines() {
        std::vector<std::string> out;
        out.swap(lines);
        ids.clear();
        return out;
    }
};

// The action described by `element` ("<Action Type=... />"), loaded; null
// for an unknown Type.
[[nodiscard]] CRefHandle<GTutorialAction> loadAction(const std::string& element);
