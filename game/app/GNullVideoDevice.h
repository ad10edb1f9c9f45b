#pragma once

struct CEngineCreationParams;
class CEngine;

// The window device with the null video driver standing in for OpenGL: a real
// window and event pump, no drawing. For tests and benchmarks that run the
// whole game headless; players are never offered it.
//
// Creates the device from `params` and registers it as the engine instance;
// a CEngineFactory like createSdlDevice.
[[nodiscard]] CEngine* createNullVideoDevice(const CEngineCreationParams& params);
