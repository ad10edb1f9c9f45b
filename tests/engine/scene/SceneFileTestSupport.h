#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/core/CStringW.h"
#include "engine/scene/BaseNode.h"

#include <cstdint>
#include <string>

class CNodeFactory;
class IContentManager;

// A node class of the tests' own ("TestNode"), counting its onLoaded calls.
class TestNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 9001;

    using BaseNode::BaseNode;
    using BaseNode::clone;

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override { return getTypeName(); }
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseNode::isKindOf(id); }
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override {
        return cloneAs<TestNode>(parent, sceneManager);
    }
    void onLoaded() override { ++loadedCalls; }

    int loadedCalls = 0;
};

// A node class whose trees the content cache shares ("SharedTestNode"), as
// template collections are.
class SharedTestNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 9002;

    SharedTestNode(const CObjectName& name, BaseNode* parent, BaseNode* sceneManager);
    using BaseNode::clone;

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override { return getTypeName(); }
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseNode::isKindOf(id); }
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override {
        return cloneAs<SharedTestNode>(parent, sceneManager);
    }
};

// A node class that reads and writes its element through its own hooks
// ("HookTestNode"): it counts its readings and writes a comment before its
// element.
class HookTestNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 9003;

    using BaseNode::BaseNode;
    using BaseNode::clone;

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override { return getTypeName(); }
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseNode::isKindOf(id); }
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override {
        return cloneAs<HookTestNode>(parent, sceneManager);
    }
    [[nodiscard]] bool readFromXml(CSceneFileReader& reader) override;
    [[nodiscard]] bool writeToXml(CSceneFileWriter& writer) const override;

    int readCalls = 0;
};

// The engine's node factory with the test classes registered.
[[nodiscard]] CNodeFactory* testNodeFactory();

// Reads the scene file `text` (8-bit) into a tree named `name`, owned by
// `manager` (may be null). Null when the reader refuses it.
[[nodiscard]] CRefHandle<BaseNode> readScene(const std::string& text, IContentManager* manager = nullptr,
                                             const CStringW& name = CStringW(u"test.mscn"));

// What the writer makes of `node`, narrowed to 8 bits; "<failed>" when the
// writer answers false.
[[nodiscard]] std::string sceneText(const BaseNode* node);

// The child of `node` at `index`, or null.
[[nodiscard]] BaseNode* childAt(const BaseNode* node, uint32_t index);
