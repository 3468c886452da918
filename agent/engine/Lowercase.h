#pragma once

#include <string>

// Unicode-aware lower case, as the OS's lowercaseString.
std::string lowercased(const std::string& text);
