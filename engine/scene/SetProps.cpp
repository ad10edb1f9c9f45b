#include "engine/scene/SetProps.h"

#include "engine/core/CStringW.h"
#include "engine/io/CXmlStreamReader.h"
#include "engine/io/CXmlStreamWriter.h"
#include "engine/scene/BaseNode.h"
#include "engine/scene/CPropertyBag.h"
#include "engine/scene/CPropertyTable.h"

SetProps::SetProps() : Animator(1), m_properties(new CPropertyBag(nullptr)) {}

SetProps::~SetProps() = default;

const CStringW& SetProps::getTypeName() const {
    static const CStringW name(u"SetProps");
    return name;
}

const CStringW& SetProps::getClassName() const { return SetProps::getTypeName(); }

void SetProps::setTarget(BaseNode* node) {
    Animator::setTarget(node);
    if (node && m_properties->getCount() > 0)
        bind();
}

void SetProps::bind() {
    m_bindings.clear();
    if (BaseNode* target = getTarget())
        target->getPropertyTable().indexesOf(*m_properties, m_bindings);
}

void SetProps::apply(int32_t, bool applyValues) {
    BaseNode* target = getTarget();
    if (!applyValues || !target)
        return;
    const CPropertyTable& table = target->getPropertyTable();
    for (uint32_t j = 0; j < m_bindings.size() && int(j) < m_properties->getCount(); ++j)
        if (m_bindings[j] != -1)
            table.setAt(target, m_bindings[j], m_properties->getValueAt(int(j)));
}

void SetProps::load(CXmlStreamReader* reader, IContentManager* contentManager, const CStringW& elementName) {
    m_properties.reset(new CPropertyBag(contentManager));
    m_bindings.clear();
    if (!reader)
        return;
    static_cast<void>(m_properties->readXml(reader, true, elementName));
    bind();
}

void SetProps::save(CXmlStreamWriter* writer, const CStringW& elementName) const {
    if (!writer)
        return;
    saveStart(writer, elementName, nullptr, nullptr, 0);
    if (m_properties->getCount() > 0)
        static_cast<void>(m_properties->writeXml(writer, false, CStringW(), false));
    saveEnd(writer, elementName);
}

CRefHandle<Animator> SetProps::clone() const {
    SetProps* copy = new SetProps();
    copy->setName(getName());
    copy->m_properties = m_properties->clone();
    return CRefHandle<Animator>(copy);
}
