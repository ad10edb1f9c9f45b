#include "game/nodes/GLockButton.h"

#include "engine/core/CName.h"
#include "engine/core/CStringW.h"

GLockButton::GLockButton(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager)
    : ButtonNode(contentName, parent, sceneManager) {}

BaseNode* GLockButton::create(const CObjectName& name) { return new GLockButton(name, nullptr, nullptr); }

const CStringW& GLockButton::getTypeName() const {
    static const CStringW name(u"GLockButton");
    return name;
}

const CStringW& GLockButton::getClassName() const { return GLockButton::getTypeName(); }

BaseNode* GLockButton::clone(BaseNode* parent, BaseNode* sceneManager) const {
    return cloneAs<GLockButton>(parent, sceneManager);
}

bool GLockButton::showLicenseState() {
    static const CName locked("Locked");
    static const CName upgraded("Upgraded");
    static const CName noLicense("NoLicense");
    static const CName withLicense("WithLicense");
    if (m_locked) {
        applyStateRecursive(locked, nullptr);
        return false;
    }
    if (m_upgraded) {
        applyStateRecursive(upgraded, nullptr);
        return false;
    }
    applyStateRecursive(m_noLicense ? noLicense : withLicense, nullptr);
    return true;
}

void GLockButton::onHoverChanged() {
    if (showLicenseState())
        ButtonNode::onHoverChanged();
}

void GLockButton::onFocusChanged() {
    if (showLicenseState())
        ButtonNode::onFocusChanged();
}

void GLockButton::setLocked(bool locked) {
    m_locked = locked;
    onFocusChanged();
}

void GLockButton::setNoLicense(bool noLicense) {
    m_noLicense = noLicense;
    onFocusChanged();
}

void GLockButton::setUpgraded(bool upgraded) {
    m_upgraded = upgraded;
    onFocusChanged();
}
