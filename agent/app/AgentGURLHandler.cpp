#include "agent/app/AgentGURLHandler.h"

using namespace platform;

AgentGURLHandler::AgentGURLHandler(Performer performer) : performer_(std::move(performer)) {}

void AgentGURLHandler::install(AppleEventManager& events) {
    events.setEventHandler(FourCharCode::make("GURL"), FourCharCode::make("GURL"),
                           [this](const AppleEvent& event, AppleEvent& reply) {
                               return handleGURLEvent(event, reply);
                           });
}

int AgentGURLHandler::handleGURLEvent(const AppleEvent& event, AppleEvent& /*reply*/) {
    const auto* direct = event.paramDescriptorForKeyword(AEKeyword::kDirectObject);
    const auto url = direct ? direct->stringValue() : std::nullopt;
    if (!url) return OSErr::kNoErr;
    if (processing_) {
        performer_(*url);
    } else {
        queue_.push_back(*url);
    }
    return OSErr::kNoErr;
}

void AgentGURLHandler::beginProcessing() {
    processing_ = true;
    // A performer may queue nothing more: processing is on from here.
    std::vector<std::string> queued;
    queued.swap(queue_);
    for (const auto& url : queued) performer_(url);
}
