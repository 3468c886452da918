#include "tests/agent/ui/CleanerListFixture.h"

namespace uitest {

GroupItem cleaner(const std::string& token, const std::string& name, const std::string& desc,
                  ItemColor color) {
    GroupItem item;
    item.token = token;
    item.name = name;
    item.desc = desc;
    item.color_tag = color;
    return item;
}

GroupItem label(const std::string& name) {
    return cleaner("#LABEL:" + name, name);
}

GroupItem spacer(const std::string& name, const std::string& token) {
    return cleaner(token, name);
}

SharedPurlaneData2 sampleLibrary() {
    SharedPurlaneData2 data;
    data.builtin.groups = {
        Group("Standard", "##Standard",
              {label("Spaces"), cleaner("trim", "Trim", "Remove white space", ItemColor::red),
               cleaner("collapse", "Collapse Spaces", "Runs of spaces", ItemColor::green), spacer(),
               cleaner("upper", "UPPER CASE", "Capitals", ItemColor::blue),
               spacer("Spacer With A Name"), cleaner("dash", "-")}),
        Group("Basic", "##Basic", {cleaner("trim", "Trim"), cleaner("lower", "lower case")}),
    };
    data.builtin.library = Group("Library", "##Library",
                                 {cleaner("trim", "Trim"), cleaner("collapse", "Collapse Spaces"),
                                  cleaner("upper", "UPPER CASE"), cleaner("lower", "lower case"),
                                  cleaner("slug", "Make Slug", "URL-safe", ItemColor::purple)});
    data.user.groups = {
        Group("Web", kWebUuid, {cleaner("tags", "Strip Tags"), cleaner("url", "Encode URL")})};
    data.user.ccleaners = Group("Custom", "##Custom", {cleaner("mine", "My Cleaner")});
    return data;
}

CleanerListFixture::CleanerListFixture()
    : agent(world.launch("com.halvik.purlane.agent")),
      defaults(agent.standardUserDefaults()),
      client({nullptr, nullptr, &agent.notificationCenter(), nullptr, nullptr}) {
    client.clientData().update(sampleLibrary());
}

PLCleanerListViewController& CleanerListFixture::makeList() {
    list = std::make_unique<PLCleanerListViewController>(PLCleanerListViewController::Collaborators{
        &client, &defaults, &agent.notificationCenter(), &sounds, &modifiers,
        [](double size) { return size / 2; }});
    list->delegate = &delegate;
    list->setView(&view);
    return *list;
}

PLCleanerListViewController& CleanerListFixture::loadList() {
    makeList().viewDidLoad();
    return *list;
}

std::vector<std::string> CleanerListFixture::rowTokens() const {
    std::vector<std::string> tokens;
    for (const GroupItem& item : list->filteredItems()) tokens.push_back(item.token);
    return tokens;
}

std::vector<std::string> CleanerListFixture::popupTitles() const {
    std::vector<std::string> titles;
    for (const auto& item : list->listPopupMenu().items())
        titles.push_back(item.isSeparatorItem() ? "---" : item.title);
    return titles;
}

}  // namespace uitest
