#include "tests/agent/files/FileCleanerFixture.h"

#include <stdexcept>

#include "platform/coding/RtfPasteboard.h"
#include "platform/pasteboard/Pasteboard.h"

using namespace platform;

namespace filestest {

namespace {

std::u16string upper(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return out;
}

}  // namespace

std::string UpperCaseClient::nameFor(const std::string& token) {
    return token == "#UPPER" ? "Upper Case" : token;
}

std::string UpperCaseClient::tokenFor(const std::string& name) {
    return name == "Upper Case" ? "#UPPER" : name;
}

void UpperCaseClient::cleanPasteboard(Pasteboard& pasteboard, const std::string& cleaner) {
    requests.push_back({cleaner, pasteboard.types()});
    if (cleaner != "#UPPER") return;
    if (pasteboard.availableTypeFromArray({std::string(PasteboardTypes::kRTF)})) {
        auto text = RtfPasteboard::readAttributedString(pasteboard);
        if (!text) return;
        text->transformRuns(
            [](std::u16string_view run, const TextAttributes&) { return upper(run); });
        pasteboard.clearContents();
        RtfPasteboard::writeAttributedString(pasteboard, *text);
        return;
    }
    auto text = pasteboard.stringForType(PasteboardTypes::kString);
    if (!text) return;
    pasteboard.clearContents();
    pasteboard.setString(toUtf8(upper(toUtf16(*text))));
}

PLClientGroupsContainer& UpperCaseClient::groups() {
    throw std::logic_error("the file cleaner never asks for groups");
}

std::string FileCleanerTest::read(const std::string& name) const {
    return testsupport::readFile(temp.path() / name);
}

}  // namespace filestest
