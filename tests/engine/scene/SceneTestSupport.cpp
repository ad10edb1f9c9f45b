#include "tests/engine/scene/SceneTestSupport.h"

#include "engine/core/CEngineCreationParams.h"
#include "engine/core/CEvent.h"
#include "engine/scene/CEventMessageBoxClosed.h"

#include <algorithm>

void FakeCursor::setPosition(const CVector2di& position) {
    m_position = position;
    m_positions.clear();
    m_positions.push_back(position);
}

CRefHandle<CEngine> makeFakeEngine(FakeCursor** cursor) {
    CRefHandle<CEngine> engine(new CEngine(CEngineCreationParams{}));
    FakeCursor* fake = new FakeCursor;
    engine->setCursorControl(fake);
    if (cursor)
        *cursor = fake;
    return engine;
}

bool TimedKey::start(CUpdateScheduler* scheduler) {
    m_elapsed = 0;
    return Animator::start(scheduler);
}

bool TimedKey::update(uint32_t elapsed) {
    if (m_duration < 0)
        return true;
    m_elapsed += int32_t(elapsed);
    if (m_elapsed < m_duration)
        return true;
    report(m_elapsed, false);
    return false;
}

CRefHandle<CNodeState> makeTimedState(const char* name, int32_t duration) {
    CRefHandle<CNodeState> state(new CNodeState(CName(name)));
    CRefHandle<TimedKey> key(new TimedKey(duration));
    state->addKey(key.get());
    return state;
}

int EventRecord::count(int type) const { return int(std::count(types.begin(), types.end(), type)); }

namespace {

bool record(EventRecord& record, CEvent* event, bool handled) {
    record.types.push_back(event->getType());
    return handled || std::find(record.consume.begin(), record.consume.end(), event->getType()) != record.consume.end();
}

} // namespace

RecordingControl::RecordingControl(const char* name, BaseNode* parent) : ControlNode(CObjectName(), parent, nullptr) {
    setName(CName(name));
}

bool RecordingControl::handleEvent(CEvent* event) { return ::record(record, event, ControlNode::handleEvent(event)); }

RecordingScene::RecordingScene(const char* name) : SceneNode(CObjectName(), nullptr, nullptr) { setName(CName(name)); }

bool RecordingScene::handleEvent(CEvent* event) {
    if (event->getType() == CEventMessageBoxClosed::TypeId)
        messageBoxResults.push_back(static_cast<CEventMessageBoxClosed*>(event)->getResult());
    return ::record(record, event, SceneNode::handleEvent(event));
}

BoxNode::BoxNode(const char* name, BaseNode* parent) : BaseNode(CObjectName(), parent, nullptr) {
    setName(CName(name));
}

void BoxNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    refreshDirtyTransformAndColor();
    list.push_back(CRenderItem{this, 0, getDepth()});
    for (BaseNode* child : getChildren())
        child->registerForRendering(list);
}

void BoxNode::render(IGraphicsDriver*, const CRect*) {
    if (drawLog)
        drawLog->push_back(getName().str().c_str());
}

std::vector<std::string> childNames(const BaseNode* node) {
    std::vector<std::string> names;
    for (const BaseNode* child : node->getChildren())
        names.push_back(child->getName().str().c_str());
    return names;
}
