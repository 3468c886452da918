#include "platform/core/FourCharCode.h"

#include "platform/core/Log.h"

namespace platform {

FourCharCode::FourCharCode(std::string_view text) {
    if (text.size() != 4) {
        print("FourCharCode: Can't initialize with '" + std::string(text) +
              "', only printable ASCII allowed. Setting to '\?\?\?\?'.");
        value_ = kUnknown;
        return;
    }
    for (char c : text) value_ = value_ << 8 | static_cast<unsigned char>(c);
}

std::string FourCharCode::text() const {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(value_ >> (24 - 8 * i));
    return out;
}

}  // namespace platform
