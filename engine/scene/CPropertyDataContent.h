#pragma once

#include "engine/content/IContent.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/IPropertyData.h"

#include <cstdint>

class IContentManager;

// The common part of the property values that refer to loaded content
// (atlas textures, fonts, sounds): the object, possibly none, and the content
// manager that resolves names (not owned; it outlives the value).
//
// The text of such a value is the object's content name made relative to the
// manager's current folder, so references in a scene file are stored relative
// to that file; reading a text loads the content of the kind's type through
// the manager.
class CPropertyDataContent : public IPropertyData {
public:
    [[nodiscard]] IContent* getContent() const { return m_content.get(); }
    // Holds `content` (one more reference) and takes its manager (the owner
    // of its content name); none drops the object and keeps the manager.
    // Answers whether the held object changed.
    bool setContent(IContent* content);

    [[nodiscard]] IContentManager* getContentManager() const { return m_manager; }
    void setContentManager(IContentManager* manager) { m_manager = manager; }

    // The content type code loaded by `fromStringW` ('atex', 'font', 'isnd').
    [[nodiscard]] virtual uint32_t getContentType() const = 0;

    // Empty without an object; otherwise its content name, relative to the
    // manager's current folder when there is a manager.
    void toStringW(CStringW& out) const override;
    void toString(CString& out) const override;
    // Widens the text and reads it with fromStringW.
    void fromString(const CString& text) override;
    // Without a manager nothing happens; otherwise the value holds what the
    // manager loads under that name (relative to its current folder), which
    // is none for an empty name or one that does not load.
    void fromStringW(const CStringW& text) override;
    // The very same object (or both none).
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    // `out` takes `to`'s object at the end (ratio >= 1), this value's before;
    // answers whether `out`'s object changed.
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;

protected:
    explicit CPropertyDataContent(IContentManager* manager) : m_manager(manager) {}
    ~CPropertyDataContent() override = default;

    // Copies the object and the manager into `copy` (a fresh value of this kind).
    void copyContentTo(CPropertyDataContent& copy) const;
    // Loads `name` as this kind's content through the manager, or null.
    [[nodiscard]] CRefHandle<IContent> loadContent(const CStringW& name, bool relative) const;

private:
    CRefHandle<IContent> m_content;
    IContentManager* m_manager;
};
