#include "agent/library/GroupList.h"

#include <utility>

namespace {

// The client's group types.
constexpr int kBuiltinGroups = 1;
constexpr int kUserGroups = 3;

}  // namespace

GroupList::GroupList(const platform::UserDefaults& defaults, GroupNames client,
                     ChooseAction chooseAction, const platform::ModifierFlagsSource& modifiers)
    : defaults_(defaults),
      client_(std::move(client)),
      chooseAction_(std::move(chooseAction)),
      modifiers_(modifiers) {}

std::vector<std::string> GroupList::groupNames() {
    order_ = CleanerListPref::displayOrder(defaults_);
    if (!client_) return {};
    std::vector<std::string> user = client_(kUserGroups);
    if (order_ == CleanerListPref::DisplayOrder::customOnly) return user;

    std::vector<std::string> builtin = client_(kBuiltinGroups);
    std::vector<std::string>& first =
        order_ == CleanerListPref::DisplayOrder::customFirst ? user : builtin;
    std::vector<std::string>& second =
        order_ == CleanerListPref::DisplayOrder::customFirst ? builtin : user;
    std::vector<std::string> names;
    names.reserve(first.size() + 1 + second.size());
    names.insert(names.end(), first.begin(), first.end());
    names.emplace_back(kSeparatorEntry);
    names.insert(names.end(), second.begin(), second.end());
    return names;
}

std::vector<platform::MenuItem> GroupList::menuItems(const std::string& currentName) {
    std::vector<platform::MenuItem> items;
    for (const std::string& name : groupNames()) {
        if (name == kSeparatorEntry) {
            items.push_back(platform::MenuItem::separatorItem());
            continue;
        }
        platform::MenuItem item(name, kChooseGroupAction, "");
        item.target = this;
        item.action = [this](platform::MenuItem& sender) { chooseGroup(sender); };
        item.state = !currentName.empty() && currentName == name ? platform::MenuItem::State::on
                                                                 : platform::MenuItem::State::off;
        items.push_back(std::move(item));
    }
    return items;
}

void GroupList::chooseGroup(const platform::MenuItem& sender) {
    if (!chooseAction_) return;
    const bool alternate = (modifiers_.currentModifierFlags() & kAlternateMask) != 0;
    chooseAction_(sender.title, alternate);
}
