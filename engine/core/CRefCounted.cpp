#include "engine/core/CRefCounted.h"

CRefCounted::~CRefCounted() = default;
