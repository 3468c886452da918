#pragma once

#include <string>

#include "platform/workspace/Bundle.h"

// The two lines the agent prints when it starts, so a log shows which build ran from where:
//   purlaneAgent 9.0.0 (900):
//       path = /path/to/purlaneAgent.app
std::string startupBanner(const platform::Bundle& bundle);
