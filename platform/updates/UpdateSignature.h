#pragma once

#include <string>
#include <string_view>

namespace platform {

// Ed25519 signatures of downloaded updates: the feed carries the signature, the application's
// Info.plist the public key ("PLUpdatePublicKey"), both base64.
class UpdateSignature {
  public:
    static constexpr const char* kPublicKeyInfoKey = "PLUpdatePublicKey";
    // False also for a malformed key or signature.
    static bool verify(std::string_view data, std::string_view base64Signature,
                       std::string_view base64PublicKey);
    // Standard base64 with padding; false on anything else.
    static bool decodeBase64(std::string_view text, std::string& out);
};

}  // namespace platform
