#include "game/world/GElementHolderNode.h"

GElementHolderNode::GElementHolderNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : BaseNode(contentName, parent, sceneManager) {}

GElementHolderNode::~GElementHolderNode() { releaseElementHolder(); }

CStringW GElementHolderNode::cleanFolder(const CStringW& path) {
    CStringW clean = path;
    for (uint32_t i = 0; i < clean.length(); ++i) {
        if (clean[i] == u'\\')
            clean[i] = u'/';
    }
    while (!clean.empty() && clean[clean.length() - 1] == u'/')
        clean.erase(int(clean.length()) - 1, 1);
    return clean;
}

void GElementHolderNode::makeElementHolder(const CVector3d& bounds) {
    releaseElementHolder();
    static const CStringW wideName(u"RoadElementsHolder");
    BaseNode* holder = new BaseNode(CObjectName(contentManager(), wideName), nullptr, getSceneManager<BaseNode>());
    holder->setName(CName("RoadElementsHolder"));
    holder->setNotSerialised(true);
    holder->setPosition({0.0f, 0.0f, 0.0f});
    holder->setBounds(bounds);
    holder->setCanBeHit(false);
    // Not in the children list: attaching takes a reference that this node
    // owns; it keeps the creation reference instead.
    holder->setParent(this);
    holder->release();
    m_elementHolder.reset(holder);
}

void GElementHolderNode::releaseElementHolder() {
    if (!m_elementHolder)
        return;
    CRefHandle<BaseNode> holder = std::move(m_elementHolder);
    m_elementHolder.reset();
    holder->setParent(nullptr);
    holder->setSceneManager(nullptr, nullptr);
}

void GElementHolderNode::updateAbsoluteTransformation() {
    BaseNode::updateAbsoluteTransformation();
    if (m_elementHolder)
        m_elementHolder->updateAbsoluteTransformation();
}

void GElementHolderNode::updateAbsoluteColor() {
    BaseNode::updateAbsoluteColor();
    if (m_elementHolder)
        m_elementHolder->updateAbsoluteColor();
}

void GElementHolderNode::registerForRendering(CArray<CRenderItem>& list) {
    if (!isVisible())
        return;
    refreshDirtyTransformAndColor();
    if (getAbsoluteColor().alpha() != 0)
        list.push_back(CRenderItem{this, 0, RenderDepth, nullptr});
    if (m_elementHolder)
        m_elementHolder->registerForRendering(list);
    registerChildren(getChildren(), list);
}
