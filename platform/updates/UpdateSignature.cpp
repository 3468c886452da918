#include "platform/updates/UpdateSignature.h"

#include <openssl/evp.h>

#include <memory>

namespace platform {

namespace {
int digit(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}
}  // namespace

bool UpdateSignature::decodeBase64(std::string_view text, std::string& out) {
    out.clear();
    std::string clean;
    for (char c : text)
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t') clean += c;
    if (clean.size() % 4 != 0) return false;
    for (size_t i = 0; i < clean.size(); i += 4) {
        int v[4];
        int pad = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = clean[i + k];
            if (c == '=' && i + 4 == clean.size() && k >= 2) {
                v[k] = 0;
                ++pad;
            } else if (pad || (v[k] = digit(c)) < 0) {
                return false;
            }
        }
        const unsigned n = (v[0] << 18) | (v[1] << 12) | (v[2] << 6) | v[3];
        out += static_cast<char>((n >> 16) & 0xff);
        if (pad < 2) out += static_cast<char>((n >> 8) & 0xff);
        if (pad < 1) out += static_cast<char>(n & 0xff);
    }
    return true;
}

bool UpdateSignature::verify(std::string_view data, std::string_view base64Signature,
                             std::string_view base64PublicKey) {
    std::string signature, key;
    if (!decodeBase64(base64Signature, signature) || signature.size() != 64) return false;
    if (!decodeBase64(base64PublicKey, key) || key.size() != 32) return false;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> pkey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char*>(key.data()), key.size()),
        &EVP_PKEY_free);
    if (!pkey) return false;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, pkey.get()) != 1)
        return false;
    return EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                            signature.size(), reinterpret_cast<const unsigned char*>(data.data()),
                            data.size()) == 1;
}

}  // namespace platform
