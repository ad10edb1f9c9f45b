#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/scene/IPropertyData.h"

class CPropertyBag;
class IContentManager;

// A nested property bag ("properties"), or none. It has no text form; in XML
// it is an element "properties" holding the bag's values.
class CPropertyDataProperties : public IPropertyData {
public:
    // Refers to `bag` itself (one more reference), no copy. A bag this value
    // makes when it reads XML gets `contentManager` (may be null, not
    // owned), so that content references inside it load.
    explicit CPropertyDataProperties(CPropertyBag* bag = nullptr, IContentManager* contentManager = nullptr);
    [[nodiscard]] static CRefHandle<CPropertyDataProperties> create(CPropertyBag* bag);

    [[nodiscard]] CPropertyBag* getBag() const { return m_bag.get(); }
    void setBag(CPropertyBag* bag);
    [[nodiscard]] IContentManager* getContentManager() const { return m_contentManager; }

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int getTypeId() const override { return TypeProperties; }
    // Holds a deep copy of the bag.
    [[nodiscard]] CRefHandle<IPropertyData> clone() const override;
    // The empty text; texts change nothing.
    void toStringW(CStringW& out) const override;
    void toString(CString& out) const override;
    void fromString(const CString& text) override;
    void fromStringW(const CStringW& text) override;
    // The very same bag (or both none).
    [[nodiscard]] bool equals(const IPropertyData* other) const override;
    // Never changes `out`; answers false.
    bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const override;
    // Reads the current "properties" element into the bag, making one first
    // when there is none.
    void readXml(CXmlStreamReader* reader) override;
    // Nothing without a bag; otherwise a "properties" element with the
    // attribute "Name" holding the bag's values.
    void writeXml(CXmlStreamWriter* writer, const CString& name) const override;

protected:
    ~CPropertyDataProperties() override;

private:
    friend class CPropertyBag;

    void readXmlAtDepth(CXmlStreamReader* reader, int depth);

    CRefHandle<CPropertyBag> m_bag;
    IContentManager* m_contentManager;
};
