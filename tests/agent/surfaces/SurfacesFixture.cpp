#include "tests/agent/surfaces/SurfacesFixture.h"

#include <algorithm>

#include "agent/library/SharedPurlaneData2.h"

namespace surfacestest {

void FakeClient::load(std::vector<Group> builtin, std::vector<Group> user,
                      std::vector<GroupItem> custom) {
    SharedPurlaneData2 data;
    data.builtin.groups = std::move(builtin);
    data.builtin.library = Group("Library", Group::kLibraryUuid, cleaners("lib", 3));
    data.user.groups = std::move(user);
    data.user.ccleaners = Group("Custom", Group::kCustomUuid, std::move(custom));
    data_->update(data);
}

GroupItem cleaner(const std::string& token, const std::string& name, ItemColor color) {
    return makeItem(token, name, "", color);
}

std::vector<GroupItem> cleaners(const std::string& prefix, int count) {
    std::vector<GroupItem> out;
    for (int i = 1; i <= count; ++i)
        out.push_back(cleaner("#" + prefix + std::to_string(i), prefix + std::to_string(i)));
    return out;
}

bool SurfacesFixture::printed(const std::string& line) const {
    const auto& lines = logs.sink.printed;
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace surfacestest
