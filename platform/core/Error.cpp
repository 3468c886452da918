#include "platform/core/Error.h"

namespace platform {

namespace {
constexpr const char* kCocoa = "NSCocoaErrorDomain";
}

Error Error::valueMissing(std::string detail) {
    return {kCocoa, kCoderValueNotFound, "The data couldn\u2019t be read because it is missing.",
            std::move(detail)};
}

Error Error::corruptData(std::string detail, int code) {
    return {kCocoa, code,
            "The data couldn\u2019t be read because it isn\u2019t in the correct format.",
            std::move(detail)};
}

Error Error::noSuchFile(const std::string& fileName, std::string detail) {
    return {kCocoa, kFileReadNoSuchFile,
            "The file \u201c" + fileName +
                "\u201d couldn\u2019t be opened because there is no such file.",
            std::move(detail)};
}

Error Error::other(std::string localizedDescription, std::string detail, int code) {
    return {kCocoa, code, std::move(localizedDescription), std::move(detail)};
}

std::string Error::debugDescription() const {
    if (detail.empty()) return localizedDescription;
    return localizedDescription + " (" + detail + ")";
}

}  // namespace platform
