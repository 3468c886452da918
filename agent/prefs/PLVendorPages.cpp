#include "agent/prefs/PLVendorPages.h"

#include "platform/core/Url.h"

std::string PLVendorPages::address(Page page) {
    switch (page) {
        case Page::twitter:
            return "https://twitter.com/halvik";
        case Page::facebook:
            return "https://www.facebook.com/halvik";
        case Page::website:
            break;
    }
    return "https://www.halvik.com/";
}

bool PLVendorPages::open(Page page) {
    auto url = platform::Url::parse(address(page));
    return url && workspace_.openURL(*url);
}
