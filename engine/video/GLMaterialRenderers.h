#pragma once

class CGLDriver;

// Registers the OpenGL driver's fixed-function material renderers in its
// table: types 0, 1, 9 to 16 and 23 to 26. The other built-in types stay
// entries named "null" without a renderer.
void registerGLMaterialRenderers(CGLDriver& driver);
