#pragma once

#include "engine/core/CRefHandle.h"

class CProfileParameters;
class CPropertyBag;
class CString;
class IContentManager;
class IPropertyData;

// Profile values as property values, for code that reads or passes a
// property bag. A profile keeps the kinds settings use (int, bool, float,
// string, stringw) as values and every other kind (colours, vectors, atlas
// textures, nested properties ...) as the XML it was written as; these
// functions read and write all of them in the layout the two share, so a
// value stored here comes back as the same kind, and one the profile file
// held comes out as the property value a scene file's would.

// A new bag with every value of `profile` in its order (one reference for
// the caller). Content references load through `contentManager` (may be
// null, not owned); a value of a kind no factory knows is left out.
[[nodiscard]] CRefHandle<CPropertyBag> readProfileBag(const CProfileParameters& profile,
                                                      IContentManager* contentManager = nullptr);

// The value stored under `name`, whatever its kind, or null when absent.
[[nodiscard]] CRefHandle<IPropertyData> getProfileValue(const CProfileParameters& profile, const CString& name,
                                                        IContentManager* contentManager = nullptr);

// Stores `value` under `name`, replacing the entry of that name in place or
// appending one; a null value removes the entry. False (the profile
// unchanged) for an empty name.
bool setProfileValue(CProfileParameters& profile, const CString& name, const IPropertyData* value);

// Replaces every value of `profile` by the bag's, in the bag's order (the
// profile's name and owner stay). Entries without a value are left out.
// Should the values fail to cross, the profile keeps what it held.
void writeProfileBag(const CPropertyBag& bag, CProfileParameters& profile);
