#pragma once

#include "engine/core/CRefHandle.h"

class CPropertyBag;
class Material;

// The property view of a material. No driver exposes material settings as
// properties: the bag is new and empty (one reference for the caller), and
// reading a bag into a material changes nothing.
[[nodiscard]] CRefHandle<CPropertyBag> materialToProperties(const Material& material);
void propertiesToMaterial(Material& material, const CPropertyBag& properties);
