#pragma once

// The repository's root folder, where the tests find their data files. Every
// test program sees this header first.
[[nodiscard]] const char* bmTestSourceDir();

#define BM_SOURCE_DIR bmTestSourceDir()
