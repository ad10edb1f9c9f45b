#pragma once

#include "engine/platform/win32/Win32Support.h"

#include <string>
#include <vector>

// A command line that gives `arguments` back to a program parsing it as the
// C runtime does (quotes and backslashes escaped). `program` goes first.
[[nodiscard]] std::wstring win32CommandLine(const std::string& program, const std::vector<std::string>& arguments);
