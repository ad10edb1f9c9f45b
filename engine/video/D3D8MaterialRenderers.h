#pragma once

class CD3D8Driver;

// Registers the Direct3D 8 driver's fixed-function material renderers in its
// table: types 0, 1, 9 to 16 and 23 to 26. The other built-in types stay
// entries named "null" without a renderer.
void registerD3D8MaterialRenderers(CD3D8Driver& driver);

// The Direct3D blend value of a blend-factor code (0 for an unknown code).
[[nodiscard]] unsigned long d3d8BlendFactor(unsigned code);
