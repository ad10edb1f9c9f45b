#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/scene/BaseNode.h"

class IContentManager;

// The common part of the world nodes drawn through element sprites (the walk
// grid's road tiles, a railway strip's pieces): a holder node
// "RoadElementsHolder" that is not among the children (so it is neither
// written with the scene nor copied with the node) and that follows the
// node's transform and tint; the node registers itself at depth 10000.
class GElementHolderNode : public BaseNode {
public:
    static constexpr float RenderDepth = 10000.0f;

    // At RenderDepth when not fully transparent, then the holder and the
    // children.
    void registerForRendering(CArray<CRenderItem>& list) override;
    void updateAbsoluteTransformation() override;
    void updateAbsoluteColor() override;

    // The node holding the element sprites; null before it is made.
    [[nodiscard]] BaseNode* getElementHolder() const { return m_elementHolder.get(); }

    // `path` with every '\' turned into '/' and trailing '/' removed.
    [[nodiscard]] static CStringW cleanFolder(const CStringW& path);

protected:
    GElementHolderNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);
    ~GElementHolderNode() override;

    [[nodiscard]] IContentManager* contentManager() const { return getContentName().owner(); }
    // Replaces the holder by a new empty one of `bounds`, at 0, 0, 0, not
    // hittable.
    void makeElementHolder(const CVector3d& bounds);
    void releaseElementHolder();

private:
    CRefHandle<BaseNode> m_elementHolder;
};
