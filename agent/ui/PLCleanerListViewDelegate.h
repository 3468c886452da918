#pragma once

#include <string>

class PLCleanerListViewController;

// The host of a cleaner list (the popover, the pick-cleaner window): it learns which cleaner
// the user chose. The list never applies a cleaner itself.
class PLCleanerListViewDelegate {
  public:
    virtual ~PLCleanerListViewDelegate() = default;

    // A cleaner row was chosen (its button clicked, double click, Return): the row's texts.
    virtual void cleanerListDidChoose(const std::string& token, const std::string& name,
                                      const std::string& desc) = 0;
    // The "Customize…" item of the group popup was chosen.
    virtual void cleanerListWantsCustomize() {}
    // Called once while the list loads, after its current group is set and before the default
    // group is applied; the host may adjust the list's controls. The answer is not used.
    virtual bool cleanerListDidLoad(PLCleanerListViewController& list) {
        (void)list;
        return false;
    }
};
