#include "game/config/LevelModifiers.h"

#include "engine/io/CXmlStreamReader.h"
#include "game/config/ConfigXml.h"

LevelModifiers::~LevelModifiers() = default;

void LevelModifiers::readFromXml(CXmlStreamReader& reader) {
    m_modifiers.clear();
    readChildElements(reader, u"LevelModifiers", [this](CXmlStreamReader& r) {
        if (!(r.nodeName() == u"Modifier"))
            return;
        CRefHandle<GLevelModifier> modifier(GLevelModifier::create(r.attribute("Type")));
        if (!modifier)
            return;
        modifier->readFromXml(r);
        m_modifiers.push_back(modifier);
    });
}

void LevelModifiers::applyAll(GLevelModifierValues& values) const {
    for (const CRefHandle<GLevelModifier>& modifier : m_modifiers)
        modifier->apply(values);
}

void LevelModifiers::add(GLevelModifier* modifier) {
    if (modifier)
        m_modifiers.push_back(CRefHandle<GLevelModifier>::share(modifier));
}
