// The 'clean file' script command: its parameters arrive at the client's file hook under the
// option keys the file cleaner reads, with the file's URL.

#include "agent/app/ScriptCommandDispatcher.h"
#include "platform/events/AppleEvent.h"
#include "tests/agent/files/FileCleanerFixture.h"

using namespace platform;
using filestest::FileCleanerTest;
using Desc = AppleEventDescriptor;

namespace {

class CleanFileCommandTest : public FileCleanerTest {
  protected:
    CleanFileCommandTest() {
        auto read =
            ScriptingDefinition::readFile(PURLANE_TEST_DATA "/../../resources/purlaneAgent.sdef");
        EXPECT_TRUE(read.ok());
        if (read.ok()) definition = std::move(read).value();
    }
    void send(std::optional<Desc> direct, const std::vector<std::pair<std::string, Desc>>& params) {
        const auto* command = definition.commandNamed("clean file");
        ASSERT_TRUE(command);
        ScriptCommandDispatcher dispatcher(definition, {client, store});
        AppleEvent event(command->eventClass, command->eventID, "com.example.scripter");
        if (direct) event.setParamDescriptor(AEKeyword::kDirectObject, *direct);
        for (const auto& [name, value] : params) {
            const auto* p = command->parameterNamed(name);
            ASSERT_TRUE(p) << name;
            event.setParamDescriptor(p->code, value);
        }
        AppleEvent reply(command->eventClass, command->eventID, "com.example.scripter");
        EXPECT_EQ(dispatcher.handle(event, reply), OSErr::kNoErr);
        EXPECT_EQ(reply.paramDescriptorForKeyword(AEKeyword::kDirectObject), nullptr);
    }

    ScriptingDefinition definition;
};

TEST_F(CleanFileCommandTest, EveryParameterReachesTheFileHookUnderItsOptionKey) {
    const Url url = Url::fileURLWithPath("/home/me/notes file.txt");
    send(Desc::fileURL(url),
         {{"cleaner", Desc::string("#UPPER")},
          {"extensions", Desc::list({Desc::string("log"), Desc::string("cfg")})},
          {"read encoding", Desc::string("Automatic")},
          {"write encoding", Desc::string("utf-16")},
          {"use add text to name", Desc::boolean(true)},
          {"text to add", Desc::string("-x")},
          {"add text to name option", Desc::int32(1)},
          {"dest name prefix", Desc::string("p-")},
          {"dest name suffix", Desc::string("-s")},
          {"dest name ext", Desc::string("md")},
          {"use destination folder", Desc::boolean(true)},
          {"dest folder", Desc::string("out")}});
    ASSERT_EQ(client.files.size(), 1u);
    EXPECT_EQ(client.files[0].first, url);
    const PropertyList::Dictionary expected{
        {"cleanerName", "#UPPER"},     {"extensions", PropertyList::Array{"log", "cfg"}},
        {"readEncoding", "Automatic"}, {"writeEncoding", "utf-16"},
        {"useAddTextToName", true},    {"textToAdd", "-x"},
        {"addTextToNameOption", 1},    {"useDestinationFolder", true},
        {"destNamePrefix", "p-"},      {"destNameSuffix", "-s"},
        {"destNameExt", "md"},         {"destFolder", "out"},
    };
    for (const auto& [key, value] : expected) {
        const PropertyList* got = client.files[0].second.find(key);
        ASSERT_TRUE(got) << key;
        EXPECT_EQ(*got, value) << key;
    }
    EXPECT_EQ(client.files[0].second.size(), expected.size());
}

TEST_F(CleanFileCommandTest, WithoutAFileNothingIsCleaned) {
    send(std::nullopt, {{"cleaner", Desc::string("#UPPER")}});
    send(Desc::list({Desc::string("a"), Desc::string("b")}), {{"cleaner", Desc::string("#UPPER")}});
    EXPECT_TRUE(client.files.empty());
}

}  // namespace
