#include "tests/engine/scene/NodeTestSupport.h"

#include "engine/core/CEvent.h"
#include "engine/core/CStringW.h"
#include "engine/scene/CEventKeyFinished.h"
#include "engine/scene/CEventStateFinished.h"
#include "engine/scene/CEventStateStarted.h"
#include "engine/scene/CNodeStateEvent.h"
#include "engine/scene/KeyFrame.h"
#include "engine/scene/SetProps.h"
#include "engine/scene/SetStates.h"
#include "engine/video/CQuadBatch.h"
#include "engine/video/IGraphicsDriver.h"
#include "engine/video/Material.h"

#include <array>
#include <string>

RecordingNode::RecordingNode(const char* name, BaseNode* parent, BaseNode* manager)
    : BaseNode(CObjectName(), parent, manager) {
    setName(CName(name));
}

bool RecordingNode::handleEvent(CEvent* event) {
    std::string line = std::to_string(event->getType());
    const int type = event->getType();
    if (type >= 77 && type <= 83) {
        const auto* stateEvent = static_cast<const CNodeStateEvent*>(event);
        line += ":";
        line += stateEvent->getNode() ? stateEvent->getNode()->getName().str().c_str() : "null";
        line += ":";
        line += stateEvent->getStateId().str().c_str();
    } else if (type == CEventKeyFinished::TypeId) {
        line += static_cast<const CEventKeyFinished*>(event)->isLooped() ? ":looped" : ":end";
    } else if (type == CEventStateStarted::TypeId) {
        line += ":";
        line += static_cast<const CEventStateStarted*>(event)->getReportedId().str().c_str();
    } else if (type == CEventStateFinished::TypeId) {
        const auto* finished = static_cast<const CEventStateFinished*>(event);
        line += ":";
        line += finished->getReportedId().str().c_str();
        if (finished->isStopped())
            line += ":stopped";
    }
    events.push_back(line);
    const bool handled = BaseNode::handleEvent(event);
    return handled || consume.count(type) > 0;
}

void RecordingNode::render(IGraphicsDriver* driver, const CRect* clip) {
    lastClip = clip ? std::optional<CRect>(*clip) : std::nullopt;
    if (drawLog)
        drawLog->push_back(std::string("render ") + getName().str().c_str());
    if (drawable && driver && driver->quadBatch()) {
        static const Material material;
        const std::array<CVector2d, 4> corners = {CVector2d(0, 0), CVector2d(1, 0), CVector2d(1, 1), CVector2d(0, 1)};
        driver->quadBatch()->addQuad(&material, corners, corners, getDepth(), getAbsoluteColor());
    }
    BaseNode::render(driver, clip);
}

void RecordingNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!drawable || !isVisible()) {
        BaseNode::registerForRendering(list);
        return;
    }
    refreshDirtyTransformAndColor();
    list.push_back(CRenderItem{this, textureKey, getDepth()});
    for (BaseNode* child : getChildren())
        child->registerForRendering(list);
}

void TestManager::queueEvent(CEventReceiver* receiver, int phase, CEvent* event) {
    queued.push_back(Queued{receiver, phase, CRefHandle<CEvent>::share(event)});
}

Animator* createTestKey(const CStringW& className) {
    if (className == u"KeyFrame")
        return new KeyFrame();
    if (className == u"SetProps")
        return new SetProps();
    if (className == u"SetStates")
        return new SetStates();
    return nullptr;
}

void runScheduler(CUpdateScheduler* scheduler, uint32_t elapsed, int steps) {
    for (int i = 0; i < steps; ++i)
        scheduler->update(elapsed);
}
