#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CStringW.h"
#include "engine/scene/CPropertyDataContent.h"

#include <cstdint>

// A reference to an atlas texture ("atlasTexture"). Interpolating between two
// frames of a numbered sequence (img/Walk0003.png to img/Walk0007.png) steps
// through the frames in between; `prepareInterpolation` loads them once.
class CPropertyDataAtlasTexture : public CPropertyDataContent {
public:
    // Frame numbers run from 0 to this; longer runs of digits are no frame.
    static constexpr int MaxFrame = 9999;

    // No texture; names are resolved through `manager` (may be null).
    explicit CPropertyDataAtlasTexture(IContentManager* manager = nullptr) : CPropertyDataContent(manager) {}
    // A value holding `texture` (may be null), with its own manager.
    [[nodiscard]] static CRefHandle<CPropertyDataAtlasTexture> create(IContent* texture);

    // Splits a content name into base, frame number and extension: the
    // extension runs from the last '.' (empty when there is none or it is
    // the first character), the frame number is the run of digits just
    // before it, the base everything before the digits. A name without '.'
    // has an empty base; a name without digits, or with a number above
    // MaxFrame, has frame -1.
    static void splitFrameName(const CStringW& name, CStringW& base, int& frame, CStringW& extension);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeAtlasTexture; }
    [[nodiscard]] uint32_t getContentType() const override;
    // Refers to the same texture and takes over the frame list.
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    // An empty text changes nothing.
    void fromStringW(const CStringW& text) override;
    // At ratio >= 1 `to`'s texture; before that the frame of the sequence at
    // trunc(ratio * (b - a)) frames from this one, or this texture when the
    // two are not frames of a sequence. Answers whether `out` changed.
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;
    // Loads the frames from this texture's number to `to`'s, both included,
    // in order of their distance from this one.
    void prepareInterpolation(const IPropertyData* to) override;

    // The frames `prepareInterpolation` loaded (entries may be null).
    [[nodiscard]] const CArray<CRefHandle<IContent>>& getFrames() const { return m_frames; }

protected:
    ~CPropertyDataAtlasTexture() override = default;

private:
    // Loads frame `frame` of `texture`'s sequence (its name unchanged, not
    // made relative), or null; numbers outside 0 to MaxFrame load nothing.
    [[nodiscard]] CRefHandle<IContent> loadFrame(const IContent* texture, int64_t frame) const;

    CArray<CRefHandle<IContent>> m_frames;
};
