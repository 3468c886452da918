#include "platform/linux/FontconfigLookup.h"

#include <fontconfig/fontconfig.h>

#include <memory>

namespace platform {

namespace {

// Whether an installed font has `name` as a value of the string property `object`. Fontconfig
// compares names ignoring case and blanks, so the candidates it lists are checked exactly.
bool hasFontWith(const char* object, const std::string& name) {
    std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(FcPatternCreate(),
                                                                    &FcPatternDestroy);
    std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> objects(
        FcObjectSetBuild(object, nullptr), &FcObjectSetDestroy);
    if (!pattern || !objects) return false;
    FcPatternAddString(pattern.get(), object, reinterpret_cast<const FcChar8*>(name.c_str()));
    // A listing, not a match: matching always substitutes some font, installed or not.
    std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> fonts(
        FcFontList(nullptr, pattern.get(), objects.get()), &FcFontSetDestroy);
    if (!fonts) return false;
    for (int i = 0; i < fonts->nfont; ++i) {
        FcChar8* value = nullptr;
        for (int n = 0; FcPatternGetString(fonts->fonts[i], object, n, &value) == FcResultMatch;
             ++n)
            if (name == reinterpret_cast<const char*>(value)) return true;
    }
    return false;
}

}  // namespace

bool FontconfigLookup::hasFont(const std::string& name) const {
    if (name.empty() || !FcInit()) return false;
    return hasFontWith(FC_POSTSCRIPT_NAME, name) || hasFontWith(FC_FULLNAME, name) ||
           hasFontWith(FC_FAMILY, name);
}

}  // namespace platform
