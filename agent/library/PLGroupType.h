#pragma once

// Which groups `grouplist:` names; callers pass the raw values.
enum class PLGroupType : int {
    // Built-in groups, then the user's.
    all = 0,
    // Built-in groups, ending with the library group and the custom-cleaners group.
    builtin = 1,
    // As `builtin`, without the library group.
    builtinWithoutLibrary = 2,
    user = 3,
};
