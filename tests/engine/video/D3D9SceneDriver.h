#pragma once

#include "tests/engine/video/DriverSceneTest.h"

#include <string>

// A Direct3D 9 driver on a hidden window of the parameters' size.
[[nodiscard]] SceneDriver makeDirect3D9SceneDriver(const CEngineCreationParams& params, std::string* error);
