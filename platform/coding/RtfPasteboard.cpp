#include "platform/coding/RtfPasteboard.h"

#include "platform/coding/RtfReader.h"
#include "platform/coding/RtfWriter.h"
#include "platform/coding/Rtfd.h"

namespace platform {

namespace {

// File attachments only travel in the flat RTFD; pictures read from RTF travel in the RTF.
bool hasFileAttachments(const AttributedString& text) {
    for (const AttributedString::Run& r : text.runs()) {
        if (r.attributes.attachment && r.attributes.attachment->rtf.empty()) return true;
    }
    return false;
}

}  // namespace

bool RtfPasteboard::writeAttributedString(Pasteboard& pasteboard, const AttributedString& text) {
    bool ok = pasteboard.setData(RtfWriter::write(text), PasteboardTypes::kRTF);
    if (hasFileAttachments(text)) {
        ok = pasteboard.setData(Rtfd::flatten(text), PasteboardTypes::kRTFD) && ok;
    }
    return pasteboard.setString(text.string(), PasteboardTypes::kString) && ok;
}

std::optional<AttributedString> RtfPasteboard::readAttributedString(const Pasteboard& pasteboard) {
    if (auto flat = pasteboard.dataForType(PasteboardTypes::kRTFD)) {
        if (auto document = Rtfd::readFlat(*flat); document.ok()) return std::move(document->text);
    }
    if (auto rtf = pasteboard.dataForType(PasteboardTypes::kRTF)) {
        if (auto document = RtfReader::read(*rtf); document.ok()) return std::move(document->text);
    }
    if (auto plain = pasteboard.stringForType(PasteboardTypes::kString)) {
        return AttributedString::fromUtf8(*plain);
    }
    return std::nullopt;
}

}  // namespace platform
