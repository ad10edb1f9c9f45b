#pragma once

class CPropertyBag;

// Objects that save their non-default properties into a property bag and
// read them back (nodes, fonts). Both default to doing nothing.
class IPropertySerializable {
public:
    virtual void writeProperties(CPropertyBag& bag) const { static_cast<void>(bag); }
    virtual void readProperties(const CPropertyBag& bag) { static_cast<void>(bag); }

protected:
    ~IPropertySerializable() = default;
};
