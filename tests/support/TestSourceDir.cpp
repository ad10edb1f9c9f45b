#include "tests/support/TestSourceDir.h"

const char* bmTestSourceDir() { return BM_TEST_SOURCE_PATH; }
