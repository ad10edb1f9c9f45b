#include "engine/scene/CPropertyDataFont.h"

#include "engine/content/ContentType.h"
#include "engine/core/CStringW.h"

CRefHandle<CPropertyDataFont> CPropertyDataFont::create(IContent* content) {
    CRefHandle<CPropertyDataFont> value(new CPropertyDataFont);
    value->setContent(content);
    return value;
}

const CStringW& CPropertyDataFont::getTypeName() const {
    static const CStringW name(u"font");
    return name;
}

const CStringW& CPropertyDataFont::getClassName() const {
    static const CStringW name(u"CPropertyDataFont");
    return name;
}

uint32_t CPropertyDataFont::getContentType() const { return ContentTypeFont; }

CRefHandle<IPropertyData> CPropertyDataFont::clone() const {
    CRefHandle<CPropertyDataFont> copy(new CPropertyDataFont);
    copyContentTo(*copy);
    return copy;
}
