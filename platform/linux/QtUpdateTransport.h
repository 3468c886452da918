#pragma once

#include <memory>

#include "platform/updates/UpdateTransport.h"

class QNetworkAccessManager;

namespace platform {

// The updater's HTTP(S) over Qt Network. The network stack is set up on the first request, so
// an agent that never checks does not carry it. Use on the main thread.
class QtUpdateTransport : public UpdateTransport {
  public:
    // A transfer with no progress for this long fails.
    static constexpr int kStallTimeoutMs = 30000;

    QtUpdateTransport();
    ~QtUpdateTransport() override;
    void fetch(const Url& url, uint64_t maxBytes, Completion done) override;

  private:
    std::unique_ptr<QNetworkAccessManager> network_;
};

}  // namespace platform
