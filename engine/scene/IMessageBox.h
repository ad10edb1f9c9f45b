#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CStringW.h"

#include <cstdint>

// What the scene manager needs of a message box scene, whose class lives
// with the standard nodes: its texts before it is shown, and the index of
// the button that closed it.
//
// Contract for the standard-node library: its message box class derives
// SceneNode and IMessageBox (one shared reference count, through the
// virtual CRefCounted base), answers isKindOf(SceneNode::MessageBoxTypeId),
// and is registered on the engine's node factory as "MessageBoxNode" before
// the first SceneManager::showMessageBox; otherwise showMessageBox refuses
// with a log line.
class IMessageBox : public virtual CRefCounted {
public:
    // Text i goes to the i-th button of the template; buttons beyond the
    // array get the empty text.
    virtual void setButtonTexts(const CArray<CStringW>& texts) = 0;
    virtual void setTitle(const CStringW& title) = 0;
    virtual void setBody(const CStringW& body) = 0;
    // The clicked button's index (0-based); 0 until one is clicked.
    [[nodiscard]] virtual int32_t getResult() const = 0;

protected:
    ~IMessageBox() override = default;
};
