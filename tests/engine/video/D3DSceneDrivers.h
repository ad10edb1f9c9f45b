#pragma once

#include "tests/engine/video/DriverSceneTest.h"

#include <string>

// A Direct3D 9 or Direct3D 8 driver on a hidden window of the parameters' size.
[[nodiscard]] SceneDriver makeDirect3D9SceneDriver(const CEngineCreationParams& params, std::string* error);
[[nodiscard]] SceneDriver makeDirect3D8SceneDriver(const CEngineCreationParams& params, std::string* error);
// Their kinds, for the parameterised tests that run on both.
[[nodiscard]] SceneDriverKind direct3D9SceneKind();
[[nodiscard]] SceneDriverKind direct3D8SceneKind();
