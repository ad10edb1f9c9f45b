#include "game/app/GLevelObjectivesScene.h"

#include "engine/content/CDictionary.h"
#include "engine/core/CEngineManagers.h"
#include "engine/core/CString.h"
#include "engine/nodes/TextNode.h"
#include "engine/scene/CEventClicked.h"
#include "engine/scene/CEventSceneChangeStarted.h"
#include "engine/scene/ControlNode.h"
#include "game/app/GSoundCues.h"

namespace {

TextNode* findText(const BaseNode* parent, const char* name) {
    BaseNode* node = parent ? parent->findChild(CName(name), 1) : nullptr;
    return node && node->isKindOf(TextNode::TypeId) ? static_cast<TextNode*>(node) : nullptr;
}

CStringW decimal(int32_t n) { return CStringW(CString() + n); }

void setTextOf(TextNode* text, const CStringW& value) {
    if (text)
        text->setText(value);
}

} // namespace

GLevelObjectivesScene::GLevelObjectivesScene(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : GBaseSceneNode(contentName, parent, sceneManager) {
    setBackOnEsc(true);
}

BaseNode* GLevelObjectivesScene::create(const CObjectName& name) {
    return new GLevelObjectivesScene(name, nullptr, nullptr);
}

const CStringW& GLevelObjectivesScene::getTypeName() const {
    static const CStringW name(u"GLevelObjectivesScene");
    return name;
}

const CStringW& GLevelObjectivesScene::getClassName() const { return GLevelObjectivesScene::getTypeName(); }

BaseNode* GLevelObjectivesScene::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GLevelObjectivesScene>(parent, sceneManager);
}

void GLevelObjectivesScene::copyFrom(const BaseNode* source, BaseNode* sceneManager) {
    GBaseSceneNode::copyFrom(source, sceneManager);
}

void GLevelObjectivesScene::onLoaded() {
    m_scene = findChild(CName("Scene"), 1);
    m_levelText = findText(m_scene, "LevelText");
    m_goalsText = findText(m_scene, "GoalsText");
    m_stageCountText = findText(m_scene, "EtapsTextDigits");
    m_rankText = findText(m_scene, "RangTextDigits");
}

bool GLevelObjectivesScene::onNavigationStarted(CEventSceneChangeStarted* event) {
    GBaseSceneNode::onNavigationStarted(event);
    if (!isShownBy(event) || !m_levelScene)
        return false;
    const int32_t level = m_levelScene->getLevelNumber();
    if (m_scene)
        m_scene->applyStateRecursive(CName(CString("Level") + level), nullptr);
    playCue(soundCueName(GSoundCue::ObjectivesWindow));
    if (CDictionary* dictionary = CEngineManagers::instance().getDictionary()) {
        const int32_t groups = m_levelScene->getObjectivesGroupCount();
        const CStringW none;
        setTextOf(m_levelText, dictionary->format(CString("GamePlay_LEVEL"), decimal(level), none, none, none));
        setTextOf(m_goalsText, dictionary->get(CString("Introduction_") + level));
        setTextOf(m_stageCountText, decimal(groups));
        const CStringW share = decimal(requiredGroups(groups)) + u"/" + decimal(groups);
        setTextOf(m_rankText, dictionary->format(CString("number_menu_etaps"), share, none, none, none));
    }
    return true;
}

bool GLevelObjectivesScene::onControlClicked(CEvent* event) {
    if (GBaseSceneNode::onControlClicked(event))
        return true;
    const ControlNode* control = static_cast<CEventClicked*>(event)->getControl();
    if (!control || control->getName() != CName("OkButton"))
        return false;
    (void)navigateBack(0, CName("NavBackFrom"), CName("NavBackTo"));
    return true;
}
