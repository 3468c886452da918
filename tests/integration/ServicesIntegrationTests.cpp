// The Services menu end to end: the real agent as provider, the sample engine cleaning, and
// purlanectl as the application whose selection is handed over.

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/AgentSession.h"
#include "tests/support/ServicesBundle.h"

using namespace platform;
using testsupport::AgentSession;
using testsupport::RunResult;
using testsupport::servicesEntry;
using testsupport::Subprocess;

namespace {

using Lines = std::vector<std::string>;

class ServicesIntegration : public testsupport::AgentSessionTest {
  protected:
    void SetUp() override {
        AgentSessionTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(session->registerEngine().status, 0);
        // The custom bundle as the Services builder writes it.
        writeBundle("purlaneCustom.pldynamicservice", {servicesEntry("PL - Upper Case", "#UPPER"),
                                                       servicesEntry("PL - Shout", "cc.shout")});
    }

    // The agent trashes the standard bundle at its first start, so it is written afterwards.
    void writeStandardBundle() {
        writeBundle("purlaneStandard.pldynamicservice",
                    {servicesEntry("PL - Apply Purlane Cleaner", "#cleanText")});
    }

    void writeBundle(const std::string& name, PropertyList::Array entries) {
        testsupport::writeServicesBundle(session->userLibrary(), name, std::move(entries));
    }

    RunResult perform(const std::string& title, const std::string& input, const Lines& flags = {}) {
        Lines args = {"services", "perform", title};
        args.insert(args.end(), flags.begin(), flags.end());
        return session->ctl(args, input);
    }
};

TEST_F(ServicesIntegration, ListShowsTheAgentsOwnEntryThenTheBundlesEntries) {
    writeStandardBundle();
    const RunResult r = session->ctl({"services", "list"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Lines titles = AgentSession::lines(r.out);
    const Lines ours = {"Pick Purlane Cleaner", "PL - Upper Case", "PL - Shout",
                        "PL - Apply Purlane Cleaner"};
    Lines seen;
    for (const auto& t : titles)
        if (std::find(ours.begin(), ours.end(), t) != ours.end()) seen.push_back(t);
    EXPECT_EQ(seen, ours) << r.out;
}

TEST_F(ServicesIntegration, ACustomEntryStartsTheAgentAndCleansTheSelection) {
    // Nothing runs yet: the request starts the agent, which starts the engine.
    const RunResult r = perform("PL - Upper Case", "hello services");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "HELLO SERVICES");
    EXPECT_EQ(session->appsWithIdentifier(AgentSession::kAgentID).size(), 1u);

    // Now the agent runs: it takes the request itself.
    const RunResult shout = perform("PL - Shout", "hi", {"--file", "/dev/stdin"});
    ASSERT_EQ(shout.status, 0) << shout.err;
    EXPECT_EQ(shout.out, "HI!");
}

TEST_F(ServicesIntegration, RichTextGoesInAndComesBackAsRichText) {
    const RunResult r =
        perform("PL - Upper Case", "{\\rtf1\\ansi\\deff0 {\\fonttbl{\\f0 Helvetica;}}\\f0 hello}",
                {"--type", "NSRTFPboardType"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("{\\rtf1")) << r.out;
    std::string lower = r.out;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    EXPECT_NE(lower.find("hello"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.back() == '\n' ? r.out[r.out.size() - 2] : r.out.back(), '}') << r.out;
}

TEST_F(ServicesIntegration, UnknownTitlesAndMissingTitlesAreRefused) {
    const RunResult unknown = perform("PL - Nothing", "x");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("no entry is titled"), std::string::npos) << unknown.err;
    EXPECT_EQ(session->ctl({"services", "perform"}).status, 2);
    EXPECT_TRUE(session->appsWithIdentifier(AgentSession::kAgentID).empty());
}

}  // namespace
