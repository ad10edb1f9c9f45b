#include "engine/scene/CPropertyDataContent.h"

#include "engine/content/IContent.h"
#include "engine/content/IContentManager.h"
#include "engine/core/CString.h"
#include "engine/core/CStringW.h"

bool CPropertyDataContent::setContent(IContent* content) {
    if (content)
        m_manager = content->getContentName().owner();
    if (m_content.get() == content)
        return false;
    m_content = CRefHandle<IContent>::share(content);
    return true;
}

void CPropertyDataContent::toStringW(CStringW& out) const {
    if (!m_content) {
        out = CStringW();
        return;
    }
    const CStringW& name = m_content->getContentName().str();
    out = m_manager ? m_manager->makeRelativeName(name) : name;
}

void CPropertyDataContent::toString(CString& out) const {
    CStringW text;
    toStringW(text);
    out = CString(text);
}

void CPropertyDataContent::fromString(const CString& text) { fromStringW(CStringW(text)); }

void CPropertyDataContent::fromStringW(const CStringW& text) {
    if (!m_manager)
        return;
    m_content = loadContent(text, true);
}

bool CPropertyDataContent::equals(const IPropertyData* other) const {
    const CPropertyDataContent* that = sameKind<CPropertyDataContent>(other, getTypeId());
    return that && that->m_content == m_content;
}

bool CPropertyDataContent::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataContent* target = sameKind<CPropertyDataContent>(to, getTypeId());
    CPropertyDataContent* result = sameKind<CPropertyDataContent>(out, getTypeId());
    if (!target || !result)
        return false;
    return result->setContent(ratio >= 1.0f ? target->getContent() : getContent());
}

void CPropertyDataContent::copyContentTo(CPropertyDataContent& copy) const {
    copy.m_content = m_content;
    copy.m_manager = m_manager;
}

CRefHandle<IContent> CPropertyDataContent::loadContent(const CStringW& name, bool relative) const {
    if (!m_manager || name.empty())
        return nullptr;
    return CRefHandle<IContent>(m_manager->load(getContentType(), name, relative));
}
