// A tutorial file read from any bytes, then run the way a screen runs one:
// every hint shown over a small scene with window and arrow templates, its
// actions offered a click, a list choice and world messages, and updated
// until the tutorial ends.
#include "engine/core/CArray.h"
#include "engine/core/CEventReceiver.h"
#include "engine/core/CLog.h"
#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/nodes/ButtonNode.h"
#include "engine/nodes/ListEvents.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/TemplateCollectionNode.h"
#include "game/config/GBuildingConfig.h"
#include "game/config/GRandomEventMessages.h"
#include "game/config/GWorldMessages.h"
#include "game/play/GTutorialController.h"
#include "game/play/ITutorialBuildings.h"

#include <cstddef>
#include <cstdint>

namespace {

// Takes every event and says every building stands.
class FuzzLevel : public CEventReceiver {
public:
    bool handleEvent(CEvent* event) override {
        if (auto* query = dynamic_cast<GBuildingExistsQueryMessage*>(event))
            query->setAnswer(!query->getBuildingTypes().empty());
        return true;
    }
};

// Every node is a building of one type.
class FuzzBuildings : public ITutorialBuildings {
public:
    FuzzBuildings() { m_type->Name = CName("Cottage1"); }
    [[nodiscard]] const GBuildingConfig* getBuildingType(const BaseNode*) const override { return m_type.get(); }

private:
    CRefHandle<GBuildingConfig> m_type{new GBuildingConfig};
};

// A building place as the game world makes one.
class FuzzBuildingNode : public ButtonNode {
public:
    FuzzBuildingNode() : ButtonNode(CObjectName(), nullptr, nullptr) { setName(CName("Place1")); }
    [[nodiscard]] bool isKindOf(int32_t id) const override {
        return id == ITutorialBuildings::BuildingNodeTypeId || ButtonNode::isKindOf(id);
    }
};

BaseNode* addNode(BaseNode* parent, const char* name) {
    auto* node = new BaseNode(CObjectName(), parent, nullptr);
    node->setName(CName(name));
    node->release();
    return node;
}

// The three templates with the children the controller looks for.
CRefHandle<TemplateCollectionNode> makeTemplates() {
    CRefHandle<TemplateCollectionNode> templates(new TemplateCollectionNode(CObjectName(), nullptr, nullptr));
    for (const char* name : {"TutorialWindow", "TutorialWindowQuest"}) {
        BaseNode* window = addNode(templates.get(), name);
        addNode(window, "Darkening");
        auto* text = new TextNode(CObjectName(), window, nullptr);
        text->setName(CName("Text"));
        text->release();
        auto* skip = new ButtonNode(CObjectName(), window, nullptr);
        skip->setName(CName("SkipTutorialButton"));
        skip->release();
        addNode(skip, "bg");
    }
    BaseNode* arrow = addNode(templates.get(), "TutorialArrowNew");
    addNode(arrow, "Head");
    templates->onLoaded();
    return templates;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CLog::instance()->setThreshold(CLog::User + 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CRefHandle<BaseNode> scene(new BaseNode(CObjectName(), nullptr, nullptr));
    CRefHandle<TemplateCollectionNode> templates = makeTemplates();
    CRefHandle<FuzzLevel> level(new FuzzLevel);
    FuzzBuildings buildings;
    CRefHandle<GTutorialController> tutorial(new GTutorialController(scene.get(), templates.get(), nullptr));
    CRefHandle<CXmlStreamReader> reader(new CXmlStreamReader(data, size));
    tutorial->load(*reader, level.get());
    tutorial->setBuildings(&buildings);
    tutorial->setVoiceOn(true);
    tutorial->setAutoAdvance(true);
    tutorial->start(0);

    CRefHandle<FuzzBuildingNode> building(new FuzzBuildingNode);
    const CArray<CName> none;
    CRefHandle<CEvent> events[] = {
        CRefHandle<CEvent>(new CEventClicked(building.get())),
        CRefHandle<CEvent>(new CEventListItemClicked(building.get(), 1)),
        CRefHandle<CEvent>(new CEventListItemHovered(building.get(), 2)),
        CRefHandle<CEvent>(new GBuildingCompletedMessage(building.get(), nullptr)),
        CRefHandle<CEvent>(new GObjectivesGroupCompletedMessage(1, 0, 0, 0, CString())),
        CRefHandle<CEvent>(new GRandomResourceAppearedMessage(building.get(), CName("Gold"))),
        CRefHandle<CEvent>(new GLetterEvent(none, none, false, {}, {})),
    };
    // Enough steps for every hint to end by one of the events or by time.
    for (int step = 0; step < 4096; ++step) {
        (void)tutorial->handleEvent(events[step % 7].get());
        if (!tutorial->update(step % 3 == 0 ? 0 : 1500))
            break;
        if (step == 40)
            tutorial->requestSkip();
    }
    tutorial->close();
    return 0;
}
