#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/events/AppleEventManager.h"

// Receives the agent's URL events ("GURL"/"GURL"). Until start-up is complete the URLs are only
// queued; `beginProcessing` hands the queued ones on in arrival order, and later ones at once.
class AgentGURLHandler {
  public:
    using Performer = std::function<void(const std::string& url)>;

    // `performer` carries out one URL command.
    explicit AgentGURLHandler(Performer performer);

    void install(platform::AppleEventManager& events);
    int handleGURLEvent(const platform::AppleEvent& event, platform::AppleEvent& reply);
    void beginProcessing();

    bool isProcessing() const { return processing_; }
    size_t queuedCount() const { return queue_.size(); }

  private:
    Performer performer_;
    bool processing_ = false;
    std::vector<std::string> queue_;
};
