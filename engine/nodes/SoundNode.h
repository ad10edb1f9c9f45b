#pragma once

#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/BaseNode.h"

#include <cstdint>

class SoundCue;

// Plays the sound cue SoundCueName while the node is visible in a drawn scene
// and Play is on: the cue starts on the first frame that registers the node
// for drawing. Turning Play off, changing the cue or destroying the node
// stops the instance with FadeOutTime. Draws nothing itself.
class SoundNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 19;

    SoundNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    // Stores the values; nothing plays before the node is drawn.
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // The node's copy, then the cue, the fade and Play; the instance is the
    // copy's own.
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;

    // Starts the cue when it should play, then registers the children.
    void registerForRendering(CArray<CRenderItem>& list) override;

    // On: a held instance that ended or is paused is replaced by a new one
    // (a paused one is stopped first). Off: the instance fades out.
    void setPlay(bool play);
    [[nodiscard]] bool getPlay() const { return m_play; }
    // A held instance is stopped with the fade and the new cue started when
    // it should play.
    void setSoundCueName(CName name);
    [[nodiscard]] CName getSoundCueName() const { return m_soundCueName; }
    // Negative times count as 0.
    void setFadeOutTime(int32_t ms) { m_fadeOutTime = ms < 0 ? 0 : ms; }
    [[nodiscard]] int32_t getFadeOutTime() const { return m_fadeOutTime; }
    // The instance this node started (it may have ended), or null.
    [[nodiscard]] SoundCue* getInstance() const { return m_instance.get(); }

protected:
    ~SoundNode() override;

private:
    void setSoundCueNameProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getSoundCueNameProperty() const;
    void setPlayProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getPlayProperty() const;
    void setFadeOutTimeProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getFadeOutTimeProperty() const;

    // Starts or stops the instance to match Play, only while the node is
    // visible in a scene.
    void updatePlayback();
    void stopInstance();

    CName m_soundCueName;
    CRefHandle<SoundCue> m_instance;
    bool m_play = false;
    int32_t m_fadeOutTime = 0;
};
