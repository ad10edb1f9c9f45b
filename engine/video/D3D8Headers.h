#pragma once

// The Windows and Direct3D 8 headers, for the Direct3D 8 sources of this
// folder only (never from a header others include): windows.h defines macros
// (min, max, near, far) that break portable code.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <d3d8.h>
#include <windows.h>

#undef near
#undef far
