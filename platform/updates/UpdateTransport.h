#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/core/Result.h"
#include "platform/core/Url.h"

namespace platform {

// How the updater reaches its server: one GET per call. The completion runs once, on the main
// thread, with the body, or with an error for a network failure, an HTTP status of 400 or
// more, or a body larger than `maxBytes` (the transfer is stopped then). It never waits for
// ever: a stalled transfer ends with an error.
class UpdateTransport {
  public:
    using Completion = std::function<void(Result<std::string> body)>;
    virtual ~UpdateTransport() = default;
    virtual void fetch(const Url& url, uint64_t maxBytes, Completion done) = 0;
};

}  // namespace platform
