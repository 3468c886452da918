#include "platform/coding/RtfReader.h"

#include "platform/coding/RtfParser.h"

namespace platform {

Result<RtfDocument> RtfReader::read(std::string_view rtf, const Limits& limits) {
    return rtf::RtfParser(rtf, limits).run();
}

}  // namespace platform
