#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CString.h"
#include "engine/scene/CPropertyAccessor.h"

class CPropertyBag;
class CPropertyObject;
class IPropertyData;

// The named properties of one reflective class, in order: the base class's
// entries first, then the class's own. Each class builds its table once, on
// first use, and never changes it, so positions stay valid for the run:
//
//   const CPropertyTable& SpriteNode::propertyTable() {
//       static const CPropertyTable table = [] {
//           CPropertyTable t(BaseNode::propertyTable());
//           t.add<&SpriteNode::setTextureProperty, &SpriteNode::getTextureProperty>("Texture");
//           return t;
//       }();
//       return table;
//   }
//
// Lookup by name finds the first entry of that name, so a class entry that
// repeats a base entry's name is never reached by name.
class CPropertyTable {
public:
    CPropertyTable() = default;
    // Copying a table copies its entries: the start of a derived class's table.
    CPropertyTable(const CPropertyTable& base) = default;
    CPropertyTable& operator=(const CPropertyTable&) = default;

    // Appends every entry of `other`, in order: a table built from several
    // (a base class's and a mixed-in part's).
    void appendAll(const CPropertyTable& other);
    // Appends an entry; entries without a setter or getter are refused.
    void add(const CString& name, CPropertyAccessor::Setter setter, CPropertyAccessor::Getter getter);
    // Appends an entry that calls members of a class derived (non-virtually)
    // from CPropertyObject: `void (T::*)(const CRefHandle<IPropertyData>&)`
    // and `CRefHandle<IPropertyData> (T::*)() const`.
    template <auto SetMethod, auto GetMethod> void add(const CString& name) {
        add(name, &callSetter<SetMethod>, &callGetter<GetMethod>);
    }

    [[nodiscard]] int getCount() const { return int(m_entries.size()); }
    // The entry at `index`; callers keep it below getCount().
    [[nodiscard]] const CPropertyAccessor& getAt(int index) const { return m_entries[uint32_t(index)]; }
    // Position of the first entry named exactly `name`, or -1.
    [[nodiscard]] int indexOf(const CString& name) const;
    // Binds the names of `bag` to this table: `positions` is replaced by
    // indexOf of each entry's name, in bag order. Keys bind once per target
    // and then set properties by position.
    void indexesOf(const CPropertyBag& bag, CArray<int>& positions) const;

    // Calls the setter at `index`; nothing for -1 or a position past the end.
    void setAt(CPropertyObject* object, int index, const CRefHandle<IPropertyData>& value) const;
    // The getter's value at `index`; null for -1 or a position past the end.
    [[nodiscard]] CRefHandle<IPropertyData> getAt(const CPropertyObject* object, int index) const;

private:
    template <class M> struct SetterTraits;
    template <class T> struct SetterTraits<void (T::*)(const CRefHandle<IPropertyData>&)> { using Object = T; };
    template <class M> struct GetterTraits;
    template <class T> struct GetterTraits<CRefHandle<IPropertyData> (T::*)() const> { using Object = T; };

    template <auto Method> static void callSetter(CPropertyObject* object, const CRefHandle<IPropertyData>& value) {
        using Object = typename SetterTraits<decltype(Method)>::Object;
        (static_cast<Object*>(object)->*Method)(value);
    }
    template <auto Method> static CRefHandle<IPropertyData> callGetter(const CPropertyObject* object) {
        using Object = typename GetterTraits<decltype(Method)>::Object;
        return (static_cast<const Object*>(object)->*Method)();
    }

    CArray<CPropertyAccessor> m_entries;
};
