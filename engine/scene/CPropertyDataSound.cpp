#include "engine/scene/CPropertyDataSound.h"

#include "engine/content/ContentType.h"
#include "engine/core/CStringW.h"

CRefHandle<CPropertyDataSound> CPropertyDataSound::create(IContent* content) {
    CRefHandle<CPropertyDataSound> value(new CPropertyDataSound);
    value->setContent(content);
    return value;
}

const CStringW& CPropertyDataSound::getTypeName() const {
    static const CStringW name(u"sound");
    return name;
}

const CStringW& CPropertyDataSound::getClassName() const {
    static const CStringW name(u"CPropertyDataSound");
    return name;
}

uint32_t CPropertyDataSound::getContentType() const { return ContentTypeSound; }

CRefHandle<IPropertyData> CPropertyDataSound::clone() const {
    CRefHandle<CPropertyDataSound> copy(new CPropertyDataSound);
    copyContentTo(*copy);
    return copy;
}
