#pragma once

// The platform handles behind a driver, opaque to everyone but the driver
// and its device: the OpenGL driver fills the device context, the rendering
// context and the window; a Direct3D driver the device and the window. All
// null in the Null driver.
struct CPlatformData {
    void* deviceContext = nullptr;
    void* renderingContext = nullptr;
    void* window = nullptr;
    void* device = nullptr;
};
