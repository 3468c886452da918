#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <unordered_set>

#include "platform/core/Uuid.h"

using platform::Uuid;

TEST(Uuid, NewOnesAreRandomVersion4InUpperCase) {
    const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    std::unordered_set<Uuid> seen;
    std::set<std::string> texts;
    for (int i = 0; i < 2000; ++i) {
        const Uuid uuid;
        const std::string text = uuid.uuidString();
        ASSERT_TRUE(std::regex_match(text, form)) << text;
        seen.insert(uuid);
        texts.insert(text);
    }
    EXPECT_EQ(seen.size(), 2000u);
    EXPECT_EQ(texts.size(), 2000u);
}

TEST(Uuid, ParsesEitherCaseAndRoundTrips) {
    const auto upper = Uuid::parse("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    const auto lower = Uuid::parse("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(upper);
    ASSERT_TRUE(lower);
    EXPECT_EQ(*upper, *lower);
    EXPECT_EQ(lower->uuidString(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_EQ(upper->bytes()[0], 0xE6);
    EXPECT_EQ(upper->bytes()[15], 0x5F);

    const Uuid fresh;
    EXPECT_EQ(Uuid::parse(fresh.uuidString()), fresh);
    EXPECT_NE(Uuid(), fresh);
}

TEST(Uuid, RefusesOtherForms) {
    for (const char* text : {
             "",
             "E621E1F8C36C495A93FC0C247A3E6E5F",        // no hyphens
             "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}",  // braces
             "E621E1F8-C36C-495A-93FC-0C247A3E6E5",     // short
             "E621E1F8-C36C-495A-93FC-0C247A3E6E5F0",   // long
             "E621E1F-8C36C-495A-93FC-0C247A3E6E5F",    // hyphen moved
             "G621E1F8-C36C-495A-93FC-0C247A3E6E5F",    // not hex
             "E621E1F8+C36C-495A-93FC-0C247A3E6E5F",    // wrong separator
         }) {
        EXPECT_FALSE(Uuid::parse(text)) << text;
    }
}
