#pragma once

#include "tests/engine/video/DriverSceneTest.h"

#include <string>

// A Direct3D 8 driver on a hidden window of the parameters' size.
[[nodiscard]] SceneDriver makeDirect3D8SceneDriver(const CEngineCreationParams& params, std::string* error);
