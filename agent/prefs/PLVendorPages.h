#pragma once

#include <string>

#include "platform/workspace/Workspace.h"

// Opens the vendor's web pages in the default browser; one fixed address per kind of page.
class PLVendorPages {
  public:
    enum class Page { twitter, facebook, website };

    explicit PLVendorPages(platform::Workspace& workspace) : workspace_(workspace) {}

    static std::string address(Page page);
    bool open(Page page);

  private:
    platform::Workspace& workspace_;
};
