#pragma once

#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"

class CString;
class CStringW;
class CXmlStreamReader;
class CXmlStreamWriter;

// One typed property value: a number, colour, vector, text, list of texts,
// nested property bag or reference to loaded content. Bags store values by
// name, class tables read and write object fields through them, scene files
// keep them as XML elements and key frames interpolate between them; none of
// them look at the concrete kind.
//
// Operations that take a second value (`equals`, the interpolations) expect
// one of the same kind; a null value or one of another kind is refused
// (false, `out` untouched).
class IPropertyData : public virtual CRefCounted {
public:
    // Type ids of the kinds; 0 matches every kind in `isType`.
    static constexpr int TypeInt = 1;
    static constexpr int TypeBool = 2;
    static constexpr int TypeFloat = 3;
    static constexpr int TypeColor = 4;
    static constexpr int TypeColorf = 5;
    static constexpr int TypeVector2d = 6;
    static constexpr int TypeVector3d = 7;
    static constexpr int TypeRect = 8;
    static constexpr int TypeString = 9;
    static constexpr int TypeStringW = 10;
    static constexpr int TypeStringWArray = 11;
    static constexpr int TypeProperties = 12;
    static constexpr int TypeAtlasTexture = 13;
    static constexpr int TypeFont = 14;
    static constexpr int TypeSound = 15;

    // The type name written as the XML element name ("int", "vector2d" ...).
    [[nodiscard]] virtual const CStringW& getTypeName() const = 0;
    [[nodiscard]] virtual const CStringW& getClassName() const = 0;
    [[nodiscard]] virtual int getTypeId() const = 0;
    // True for the value's own type id and for 0.
    [[nodiscard]] virtual bool isType(int typeId) const { return typeId == 0 || typeId == getTypeId(); }

    // A new value of the same kind (count 1, owned by the caller).
    [[nodiscard]] virtual CRefHandle<IPropertyData> clone() const = 0;

    virtual void toStringW(CStringW& out) const = 0;
    virtual void toString(CString& out) const = 0;
    virtual void fromString(const CString& text) = 0;
    // Narrows the text (low byte of each unit) and reads it with fromString.
    virtual void fromStringW(const CStringW& text);

    [[nodiscard]] virtual bool equals(const IPropertyData* other) const = 0;

    // Writes into `out` the value at `ratio` (0 at this value, 1 at `to`).
    // Answers whether `out` was written or changed; callers apply `out` only
    // then.
    virtual bool interpolate(const IPropertyData* to, IPropertyData* out, float ratio) const = 0;
    // The same with the ratio shaped by the easing curve `easingIndex`. The
    // default ignores the curve.
    virtual bool interpolateEased(const IPropertyData* to, IPropertyData* out, float ratio, unsigned easingIndex) const;
    // Gets ready for a series of interpolations toward `to`; only frame
    // sequences of atlas textures need it.
    virtual void prepareInterpolation(const IPropertyData* to);

    // Reads the value from the reader's current element; the default takes
    // its "Value" attribute (missing: the empty text).
    virtual void readXml(CXmlStreamReader* reader);
    // Writes the value as one element named after the type, by default
    // self-closing with the attributes "Name" and "Value". The line break
    // after it is the caller's.
    virtual void writeXml(CXmlStreamWriter* writer, const CString& name) const;

    // `other` as kind T (whose type id is `typeId`), or null when it is null
    // or another kind.
    template <class T> [[nodiscard]] static const T* sameKind(const IPropertyData* other, int typeId) {
        return other && other->getTypeId() == typeId ? static_cast<const T*>(other) : nullptr;
    }
    template <class T> [[nodiscard]] static T* sameKind(IPropertyData* other, int typeId) {
        return other && other->getTypeId() == typeId ? static_cast<T*>(other) : nullptr;
    }

protected:
    IPropertyData() = default;
    ~IPropertyData() override = default;
};
