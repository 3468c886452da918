#include <gtest/gtest.h>
#include <unicode/locid.h>

#include "agent/engine/TextEncodingCatalog.h"

using platform::StringEncoding;

namespace {

using Names = std::vector<std::string>;

// A small table in no particular order, as the platform hands it over.
const std::vector<StringEncoding> kTable = {
    {0x0600, "Western (ASCII)", 0},
    {0x08000100, "Unicode (UTF-8)", 256},
    {0x0A01, "Cyrillic (KOI8-R)", 7},
    {0x0000, "Western (Mac OS Roman)", 0},
    {0x9999, "", 0},
    {0x0100, "Unicode (UTF-16)", 256},
    {0x0500, "Western (Windows Latin 1)", 0},
    {0x0920, "Japanese (EUC)", 1},
    {0x0601, "WESTERN (ascii)", 0},
    {0x0003, "Korean (Mac OS)", 3},
};

TEST(TextEncodingCatalogTest, UnicodeComesFirstThenByMacEncodingThenByValue) {
    const TextEncodingCatalog catalog(kTable, "Western", "Unicode");
    EXPECT_EQ(catalog.names(),
              (Names{"Unicode (UTF-16)", "Unicode (UTF-8)", "Western (Mac OS Roman)",
                     "Western (Windows Latin 1)", "Western (ASCII)", "WESTERN (ascii)",
                     "Japanese (EUC)", "Korean (Mac OS)", "Cyrillic (KOI8-R)"}));
    // Nameless encodings stay in the list but are never named.
    EXPECT_EQ(catalog.sorted().size(), kTable.size());
    EXPECT_EQ(catalog.sorted()[6].value, 0x9999u);
}

TEST(TextEncodingCatalogTest, NamesResolveExactlyOrByTheBracketedShortForm) {
    const TextEncodingCatalog catalog(kTable, "Western", "Unicode");
    const struct {
        const char* name;
        std::optional<uint32_t> value;
    } cases[] = {
        {"unicode (utf-8)", 0x08000100},
        {"UNICODE (UTF-16)", 0x0100},
        {"utf-8", 0x08000100},
        {"Mac OS Roman", 0x0000},
        // Two names differing only in case: the first in list order wins.
        {"Western (ASCII)", 0x0600},
        {"ascii", 0x0600},
        // The short form only for the Western and Unicode families.
        {"koi8-r", std::nullopt},
        {"euc", std::nullopt},
        {"Cyrillic (KOI8-R)", 0x0A01},
        {"", std::nullopt},
        {"utf", std::nullopt},
        {"(utf-8)", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto found = catalog.resolve(c.name);
        EXPECT_EQ(found ? std::optional<uint32_t>(found->value) : std::nullopt, c.value);
    }
}

TEST(TextEncodingCatalogTest, TheShortFormFollowsTheLocalisedFamilyWords) {
    const std::vector<StringEncoding> table = {{0x0000, "Occidental (Mac OS Roman)", 0},
                                               {0x0600, "Western (ASCII)", 0}};
    const TextEncodingCatalog catalog(table, "Occidental", "Unicode");
    ASSERT_TRUE(catalog.resolve("MAC OS ROMAN"));
    EXPECT_EQ(catalog.resolve("MAC OS ROMAN")->value, 0x0000u);
    EXPECT_FALSE(catalog.resolve("ascii"));
}

// Scripts name encodings the same way whatever the user's language: under Turkish rules "I"
// lowers to a dotless i, and "UNICODE (UTF-8)" must still match.
TEST(TextEncodingCatalogTest, MatchingIgnoresTheUsersLocale) {
    const icu::Locale previous = icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("tr", "TR"), status);
    const TextEncodingCatalog catalog(kTable, "Western", "Unicode");
    const bool exact = catalog.resolve("UNICODE (UTF-8)").has_value();
    const bool bracketed = catalog.resolve("ASCII").has_value();
    icu::Locale::setDefault(previous, status);
    EXPECT_TRUE(exact);
    EXPECT_TRUE(bracketed);
}

}  // namespace
