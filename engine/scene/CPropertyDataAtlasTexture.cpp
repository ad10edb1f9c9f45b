#include "engine/scene/CPropertyDataAtlasTexture.h"

#include "engine/content/ContentType.h"
#include "engine/content/IContent.h"
#include "engine/content/IContentManager.h"
#include "engine/core/NumberText.h"
#include "engine/video/CAtlasTexture.h"

#include <cstdint>
#include <cstdio>

namespace {

int frameOf(const IContent* texture) {
    CStringW base;
    CStringW extension;
    int frame = -1;
    CPropertyDataAtlasTexture::splitFrameName(texture->getContentName().str(), base, frame, extension);
    return frame;
}

} // namespace

CRefHandle<CPropertyDataAtlasTexture> CPropertyDataAtlasTexture::create(IContent* texture) {
    CRefHandle<CPropertyDataAtlasTexture> value(new CPropertyDataAtlasTexture);
    value->setContent(texture);
    return value;
}

void CPropertyDataAtlasTexture::splitFrameName(const CStringW& name, CStringW& base, int& frame, CStringW& extension) {
    static_assert(MaxFrame == CAtlasTexture::MaxFrame);
    int32_t number = -1;
    CAtlasTexture::splitFrameName(name, base, number, extension);
    frame = number;
}

const CStringW& CPropertyDataAtlasTexture::getTypeName() const {
    static const CStringW name(u"atlasTexture");
    return name;
}

const CStringW& CPropertyDataAtlasTexture::getClassName() const {
    static const CStringW name(u"CPropertyDataAtlasTexture");
    return name;
}

uint32_t CPropertyDataAtlasTexture::getContentType() const { return ContentTypeAtlasTexture; }

CRefHandle<IPropertyData> CPropertyDataAtlasTexture::clone() const {
    CRefHandle<CPropertyDataAtlasTexture> copy(new CPropertyDataAtlasTexture);
    copyContentTo(*copy);
    copy->m_frames = m_frames;
    return copy;
}

void CPropertyDataAtlasTexture::fromStringW(const CStringW& text) {
    if (!text.empty())
        CPropertyDataContent::fromStringW(text);
}

CRefHandle<IContent> CPropertyDataAtlasTexture::loadFrame(const IContent* texture, int64_t frame) const {
    if (frame < 0 || frame > MaxFrame)
        return nullptr;
    IContentManager* manager = texture->getContentName().owner();
    if (!manager)
        manager = getContentManager();
    if (!manager)
        return nullptr;
    CStringW base;
    CStringW extension;
    int ownFrame = -1;
    splitFrameName(texture->getContentName().str(), base, ownFrame, extension);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", int(frame));
    const CStringW name = base + digits + extension;
    return CRefHandle<IContent>(manager->load(ContentTypeAtlasTexture, name, false));
}

void CPropertyDataAtlasTexture::prepareInterpolation(const IPropertyData* to) {
    const CPropertyDataAtlasTexture* target = sameKind<CPropertyDataAtlasTexture>(to, TypeAtlasTexture);
    if (!target || !getContent() || !target->getContent())
        return;
    m_frames.clear();
    const int from = frameOf(getContent());
    const int end = frameOf(target->getContent());
    if (from == -1 || end == -1 || from == end)
        return;
    const int step = end > from ? 1 : -1;
    for (int frame = from;; frame += step) {
        m_frames.push_back(loadFrame(getContent(), frame));
        if (frame == end)
            break;
    }
}

bool CPropertyDataAtlasTexture::interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const {
    const CPropertyDataAtlasTexture* target = sameKind<CPropertyDataAtlasTexture>(to, TypeAtlasTexture);
    CPropertyDataAtlasTexture* result = sameKind<CPropertyDataAtlasTexture>(out, TypeAtlasTexture);
    if (!target || !result)
        return false;
    if (ratio >= 1.0f)
        return result->setContent(target->getContent());

    CRefHandle<IContent> chosen = CRefHandle<IContent>::share(getContent());
    if (getContent() && target->getContent()) {
        const int from = frameOf(getContent());
        const int end = frameOf(target->getContent());
        if (from != -1 && end != -1) {
            const int offset = truncateToInt(ratio * float(end - from));
            const uint32_t distance = offset < 0 ? uint32_t(-int64_t(offset)) : uint32_t(offset);
            if (distance < m_frames.size() && m_frames[distance])
                chosen = m_frames[distance];
            else
                chosen = loadFrame(getContent(), int64_t(from) + offset);
        }
    }
    return result->setContent(chosen.get());
}
