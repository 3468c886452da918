#include "tests/agent/prefs/hotkeys/HotKeysPaneFixture.h"

namespace hotkeystest {

namespace {

GroupItem row(const std::string& token, const std::string& name) {
    return {.token = token, .name = name};
}

}  // namespace

SharedPurlaneData2 sampleLibrary() {
    SharedPurlaneData2 data;
    data.builtin.groups = {Group("Standard", "##Standard", {row("trim", "Trim")}),
                           Group("Basic", "##Basic", {row("lower", "lower case")})};
    data.builtin.library =
        Group("Library", "##Library",
              {row("trim", "Trim"), row("#LABEL:Case", "Case"), row("upper", "UPPER CASE"),
               row("lower", "lower case"), row("#SPACER", "-"), row("slug", "Make Slug"),
               row("#SCRUB", "Scrub")});
    data.user.groups = {Group("Web", "WEB-UUID", {row("tags", "Strip Tags")})};
    data.user.ccleaners = Group("Custom", "##Custom", {row("mine", "My Upper Cleaner")});
    return data;
}

HotKeysPaneFixture::HotKeysPaneFixture()
    : agent(world.launch("com.halvik.purlane.agent")),
      defaults(agent.standardUserDefaults()),
      systemHotKeys(agent.mainQueue()),
      validator(defaults, systemHotKeys, layout),
      checks(validator),
      client({nullptr, nullptr, &agent.notificationCenter(), nullptr, nullptr}),
      list(defaults, agent.notificationCenter()),
      monitor(systemHotKeys, agent.mainQueue()),
      hotKeys(monitor, validator, list, defaults),
      pane({&list, &client, &defaults, &sounds, &agent.mainQueue(), &checks}) {
    client.clientData().update(sampleLibrary());
    hotkeysChanged = agent.notificationCenter().addObserver(
        ShortcutList::kHotkeysChanged, nullptr,
        [this](const platform::Notification&) { hotKeys.registerAll(); });
    hotKeys.registerAll();
}

HotKeysPaneFixture::~HotKeysPaneFixture() {
    agent.notificationCenter().removeObserver(hotkeysChanged);
}

PLPrefsGlobalShortcutsController& HotKeysPaneFixture::showPane() {
    pane.setView(&view);
    pane.viewWillAppear();
    return pane;
}

std::vector<std::string> HotKeysPaneFixture::labels() {
    std::vector<std::string> out;
    for (int row = 0; row < pane.numberOfRows(); ++row) out.push_back(pane.cellForRow(row).label);
    return out;
}

std::vector<Shortcut> HotKeysPaneFixture::stored() {
    ShortcutList reader(defaults, agent.notificationCenter());
    if (auto value = defaults.objectForKey(ShortcutList::kDefaultsKey)) reader.load(*value);
    return reader.list;
}

}  // namespace hotkeystest
