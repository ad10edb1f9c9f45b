#pragma once

#include "engine/core/CRefHandle.h"
#include "engine/io/CXmlStreamReader.h"

#include <string>
#include <string_view>

// A reader over `text`, standing before its first node.
[[nodiscard]] CRefHandle<CXmlStreamReader> xmlReader(std::string_view text);

// A reader over `text` advanced to its first start element named `name`.
[[nodiscard]] CRefHandle<CXmlStreamReader> xmlReaderAt(std::string_view text, const char16_t* name);

// The text of a fixture file under tests/game/config/fixtures.
[[nodiscard]] std::string fixtureText(const char* fileName);
