#pragma once

#include <string>

#include "platform/pasteboard/Pasteboard.h"

// Who performs clean requests for the client: at run time the engine, through
// PLClientAgentDelegate.
class PLClientDelegate {
  public:
    virtual ~PLClientDelegate() = default;
    // Cleans the pasteboard in place with the cleaner; returns when done or given up.
    virtual void cleanRequest(platform::Pasteboard& pasteboard, const std::string& cleaner) = 0;
};
