#pragma once

#include "agent/library/BuiltinGroupData.h"
#include "agent/library/UserGroupData.h"

// One loaded library, whatever file it came from: what the snapshot merges.
struct SharedPurlaneData2 {
    BuiltinGroupData builtin;
    UserGroupData user;

    friend bool operator==(const SharedPurlaneData2& a, const SharedPurlaneData2& b) {
        return a.builtin == b.builtin && a.user == b.user;
    }
    friend bool operator!=(const SharedPurlaneData2& a, const SharedPurlaneData2& b) {
        return !(a == b);
    }
};
