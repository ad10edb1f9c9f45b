#include "engine/sound/ISoundInstance.h"

#include "engine/content/ContentType.h"

ISoundInstance::~ISoundInstance() = default;

uint32_t ISoundInstance::getContentType() const { return ContentTypeSound; }
