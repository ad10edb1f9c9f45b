#include "engine/scene/MaterialProperties.h"

#include "engine/scene/CPropertyBag.h"

CRefHandle<CPropertyBag> materialToProperties(const Material&) { return CPropertyBag::create(); }

void propertiesToMaterial(Material&, const CPropertyBag&) {}
