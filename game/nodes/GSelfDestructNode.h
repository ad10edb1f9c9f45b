#pragma once

#include "engine/core/CName.h"
#include "engine/scene/BaseNode.h"

class CPropertyBag;

// Takes itself out of the tree when the state DestructStateName has finished:
// on this node and all its children (ListenToChildrens on), or on this node
// alone (off).
class GSelfDestructNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 2059;

    GSelfDestructNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] static BaseNode* create(const CObjectName& name);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || id == 0; }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    bool onStateActionFinished(CEventStateFinished* event) override;
    bool onAllChildrenFinished(CEventNodeStateCompleted* event) override;

    [[nodiscard]] bool isListeningToChildren() const { return m_listenToChildren; }
    void setListenToChildren(bool listen) { m_listenToChildren = listen; }
    [[nodiscard]] CName getDestructStateName() const { return m_destructStateName; }
    void setDestructStateName(CName name) { m_destructStateName = name; }

protected:
    ~GSelfDestructNode() override = default;

private:
    void setListenProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getListenProperty() const;
    void setStateNameProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getStateNameProperty() const;

    bool m_listenToChildren = true;
    CName m_destructStateName;
};
