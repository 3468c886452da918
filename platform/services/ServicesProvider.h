#pragma once

#include <string>

namespace platform {

class Pasteboard;

// The object an application answers Services requests with (the OS's services provider). A
// request names a message: the first keyword of the provider's method, "cleanText" for
// cleanText:userData:error:.
class ServicesProvider {
  public:
    virtual ~ServicesProvider() = default;

    // Runs the method for `message` on the services pasteboard, which holds the requestor's data
    // and afterwards what goes back to it. `userData` is the entry's NSUserData (empty without
    // one). A method that fails says why in `error`; the requestor gets that text. Returns false
    // when the provider has no method for `message`.
    virtual bool performService(const std::string& message, Pasteboard& pasteboard,
                                const std::string& userData, std::string& error) = 0;
};

}  // namespace platform
