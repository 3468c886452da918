// The update framework's own decisions: reading appcasts, ordering versions, and a check from
// the feed to the offer, the answer and the download, over a scripted transport.

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <map>

#include "platform/core/Log.h"
#include "platform/core/WholeFile.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/sim/SimWorld.h"
#include "platform/updates/StandardUpdater.h"
#include "platform/updates/UpdateSignature.h"
#include "tests/agent/updates/RecordingUpdateUI.h"
#include "tests/support/TempDir.h"

using namespace platform;
using updatestest::RecordingUI;

namespace {

const std::string kFeedURL = "https://updates.example.com/appcast/updates.php?feed=PLAGENT";

std::string item(const std::string& version, const std::string& extra = {},
                 const std::string& enclosure = {}) {
    return "<item><title>Version " + version + "</title><pu:version>" + version +
           "</pu:version><pu:shortVersionString>9." + version + "</pu:shortVersionString>" + extra +
           "<enclosure url=\"https://updates.example.com/purlane-" + version +
           ".tar.gz\" type=\"application/gzip\" " + enclosure + "/></item>";
}

std::string feed(const std::string& items) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:pu=\"https://www.halvik.com/xml-namespaces/updates\"><channel><title>t</title>" +
           items + "</channel></rss>";
}

TEST(Appcast, ReadsUpdateFieldsUnderAnyPrefixAndLeavesOutWhatCannotBeOffered) {
    auto cast = Appcast::parse(
        feed(item("910", "<pu:releaseNotesLink> https://x/notes.html </pu:releaseNotesLink>",
                  "length=\"12\" pu:signature=\"c2ln\"") +
             "<item><title>enclosure only</title><enclosure url=\"https://x/a\" xy:version=\"920\" "
             "xy:shortVersionString=\"9.2\"/></item>"
             "<item><title>no version</title><enclosure url=\"https://x/b\"/></item>"
             "<item><pu:version>930</pu:version></item>"));
    ASSERT_TRUE(cast.ok());
    ASSERT_EQ(cast->items().size(), 2u);
    const AppcastItem& first = cast->items()[0];
    EXPECT_EQ(first.version, "910");
    EXPECT_EQ(first.displayVersion(), "9.910");
    EXPECT_EQ(first.releaseNotesLink, "https://x/notes.html");
    EXPECT_EQ(first.enclosureLength, 12u);
    EXPECT_EQ(first.signature, "c2ln");
    EXPECT_EQ(cast->items()[1].version, "920");
    EXPECT_EQ(cast->items()[1].shortVersion, "9.2");

    for (const char* bad : {"<rss><channel><item>", "<html><body/></html>", "", "{\"a\":1}"})
        EXPECT_FALSE(Appcast::parse(bad).ok()) << bad;
}

TEST(Appcast, OrdersVersionsAsBuildsAreNumbered) {
    const std::tuple<const char*, const char*, int> table[] = {
        {"900", "900", 0},    {"901", "900", 1},
        {"1000", "999", 1},   {"9.0.1", "9.0", 1},
        {"9.0", "9.0b2", 1},  {"9.0b2", "9.0b1", 1},
        {"9.10", "9.9", 1},   {"09", "9", 0},
        {"9.0", "9.0.0", -1}, {"99999999999999999999", "2", 1},
    };
    for (const auto& [a, b, expected] : table) {
        EXPECT_EQ(Appcast::compareVersions(a, b), expected) << a << " vs " << b;
        EXPECT_EQ(Appcast::compareVersions(b, a), -expected) << b << " vs " << a;
    }
}

TEST(Appcast, BestUpdateIsTheNewestNewerOneUnlessSkipped) {
    auto cast = Appcast::parse(feed(item("905") + item("920") + item("910") + item("850")));
    ASSERT_TRUE(cast.ok());
    EXPECT_EQ(cast->bestUpdate("900", std::nullopt)->version, "920");
    EXPECT_EQ(cast->bestUpdate("920", std::nullopt), std::nullopt);
    EXPECT_EQ(cast->bestUpdate("900", "920"), std::nullopt);
    EXPECT_EQ(cast->bestUpdate("900", "910")->version, "920");
}

// Answers each URL from a table on the main queue, as the network would later.
struct ScriptedTransport : UpdateTransport {
    explicit ScriptedTransport(MainQueue& q) : queue(q) {}
    void fetch(const Url& url, uint64_t maxBytes, Completion done) override {
        requested.push_back(url.absoluteString());
        auto it = answers.find(url.absoluteString());
        Result<std::string> r =
            it == answers.end() ? Result<std::string>(Error::other("HTTP 404")) : it->second;
        if (r.ok() && r->size() > maxBytes) r = Error::other("too large");
        queue.async([r, done] { done(r); });
    }
    MainQueue& queue;
    std::map<std::string, Result<std::string>> answers;
    std::vector<std::string> requested;
};

struct FixedFeed : UpdaterDelegate {
    std::string feedURLStringForUpdater(Updater&) override { return url; }
    std::string url = kFeedURL;
};

// Base64 of raw bytes, for keys and signatures made here.
std::string base64(const unsigned char* p, size_t n) {
    std::string out(4 * ((n + 2) / 3) + 1, '\0');
    out.resize(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), p, int(n)));
    return out;
}

struct Signer {
    Signer() {
        EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
        EVP_PKEY_keygen_init(ctx);
        EVP_PKEY_keygen(ctx, &key);
        EVP_PKEY_CTX_free(ctx);
        unsigned char pub[32];
        size_t n = sizeof pub;
        EVP_PKEY_get_raw_public_key(key, pub, &n);
        publicKey = base64(pub, n);
    }
    ~Signer() { EVP_PKEY_free(key); }
    std::string sign(const std::string& data) const {
        unsigned char sig[64];
        size_t n = sizeof sig;
        EVP_MD_CTX* md = EVP_MD_CTX_new();
        EVP_DigestSignInit(md, nullptr, nullptr, nullptr, key);
        EVP_DigestSign(md, sig, &n, reinterpret_cast<const unsigned char*>(data.data()),
                       data.size());
        EVP_MD_CTX_free(md);
        return base64(sig, n);
    }
    EVP_PKEY* key = nullptr;
    std::string publicKey;
};

struct StandardUpdaterTest : testing::Test {
    ScopedLogCapture logs;
    testsupport::TempDir temp;
    SimWorld world;
    SimProcess& agent = world.launch("com.halvik.purlane.agent");
    UserDefaults& defaults = agent.standardUserDefaults();
    ScriptedTransport transport{agent.mainQueue()};
    RecordingUI ui;
    FixedFeed delegate;
    std::unique_ptr<StandardUpdater> updater;

    void make(std::optional<std::string> key = std::nullopt) {
        updater = std::make_unique<StandardUpdater>(StandardUpdater::Services{
            defaults, agent.mainQueue(), transport, ui, agent.workspace(), "purlaneAgent", "900",
            "9.0", std::move(key), temp.path() / "Updates",
            [this] { return Date(800000000 + world.now()); }});
        updater->setDelegate(&delegate);
    }
    void serveFeed(const std::string& items) {
        transport.answers.insert_or_assign(kFeedURL, feed(items));
    }
    std::vector<std::string> opened() const {
        std::vector<std::string> out;
        for (const auto& r : world.desktopRequests()) out.push_back(r.target);
        return out;
    }
};

TEST_F(StandardUpdaterTest, ACheckEndsInAnOfferAMessageOrSilenceByWhatTheFeedHolds) {
    struct Case {
        const char* name;
        std::optional<std::string> feedItems;  // nothing: the server has no such page
        bool interactive;
        std::optional<std::string> skipped;
        std::string offered;  // version, or "" for none
        std::string message;  // start of the message, or "" for none
        bool dated;           // the last-check date is recorded
    };
    const std::string newer = item("910") + item("890");
    const Case cases[] = {
        {"newer, asked", newer, true, {}, "910", "", true},
        {"newer, quiet", newer, false, {}, "910", "", true},
        {"older only, asked",
         item("890"),
         true,
         {},
         "",
         "You’re up to date! | purlaneAgent 9.0",
         true},
        {"older only, quiet", item("890"), false, {}, "", "", true},
        {"skipped, quiet", newer, false, "910", "", "", true},
        {"skipped, asked", newer, true, "910", "910", "", true},
        {"bad XML, asked", std::string("<item>"), true, {}, "", "Update Error! | An error", false},
        {"404, asked", std::nullopt, true, {}, "", "Update Error! | An error", false},
        {"404, quiet", std::nullopt, false, {}, "", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        defaults.removeObjectForKey(Updater::kLastCheckTimeKey);
        defaults.setObject(Updater::kSkippedVersionKey,
                           c.skipped ? std::optional<PropertyList>(*c.skipped) : std::nullopt);
        transport.answers.clear();
        if (c.feedItems)
            transport.answers.emplace(kFeedURL,
                                      c.feedItems == "<item>" ? "<rss><item>" : feed(*c.feedItems));
        ui = RecordingUI();
        make();
        c.interactive ? updater->checkForUpdates() : updater->checkForUpdatesInBackground();
        EXPECT_TRUE(updater->isChecking());
        world.runUntilIdle();
        EXPECT_FALSE(updater->isChecking());
        EXPECT_EQ(ui.offers.empty() ? "" : ui.offers[0].item.version, c.offered);
        EXPECT_EQ(ui.messages.empty() ? "" : ui.messages[0].substr(0, c.message.size()), c.message);
        EXPECT_EQ(updater->lastUpdateCheckDate().has_value(), c.dated);
        EXPECT_EQ(updater->updateAvailable(), !c.offered.empty() && !c.skipped);
    }
}

TEST_F(StandardUpdaterTest, OfferCarriesFetchedNotesOrTheDescriptionAndTheAnswerIsKept) {
    serveFeed(item("910",
                   "<pu:releaseNotesLink>https://updates.example.com/n.html"
                   "</pu:releaseNotesLink><description>inline</description>"));
    transport.answers.emplace("https://updates.example.com/n.html", std::string("<h1>New</h1>"));
    make();
    updater->checkForUpdates();
    world.runUntilIdle();
    ASSERT_EQ(ui.offers.size(), 1u);
    EXPECT_EQ(ui.offers[0].releaseNotesHTML, "<h1>New</h1>");
    EXPECT_EQ(ui.offers[0].currentVersion, "9.0");

    transport.answers.erase("https://updates.example.com/n.html");
    updater->checkForUpdates();
    world.runUntilIdle();
    EXPECT_EQ(ui.offers.at(1).releaseNotesHTML, "inline");

    ui.choose(UpdateChoice::RemindLater);
    EXPECT_TRUE(updater->updateAvailable());
    ui.choose(UpdateChoice::Skip);
    EXPECT_FALSE(updater->updateAvailable());
    EXPECT_EQ(defaults.stringForKey(Updater::kSkippedVersionKey), "910");
}

TEST_F(StandardUpdaterTest, InstallChecksLengthAndSignatureBeforeTheDesktopOpensIt) {
    const Signer signer, stranger;
    const std::string bytes = "update archive bytes";
    const std::string len = "length=\"" + std::to_string(bytes.size()) + "\" ";
    struct Case {
        const char* name;
        std::string enclosure;
        std::optional<std::string> key;
        bool opened;
    };
    const Case cases[] = {
        {"unsigned, no key", len, {}, true},
        {"wrong length", "length=\"3\" ", {}, false},
        {"signed with the bundle's key", len + "pu:signature=\"" + signer.sign(bytes) + "\"",
         signer.publicKey, true},
        {"signed by someone else", len + "pu:signature=\"" + stranger.sign(bytes) + "\"",
         signer.publicKey, false},
        {"unsigned though the bundle has a key", len, signer.publicKey, false},
        {"signed, no key to check it",
         len + "pu:signature=\"" + signer.sign(bytes) + "\"",
         {},
         false},
    };
    transport.answers.emplace("https://updates.example.com/purlane-910.tar.gz", bytes);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        serveFeed(item("910", "", c.enclosure));
        ui = RecordingUI();
        make(c.key);
        const size_t before = world.desktopRequests().size();
        updater->checkForUpdates();
        world.runUntilIdle();
        ASSERT_EQ(ui.offers.size(), 1u);
        ui.choose(UpdateChoice::Install);
        world.runUntilIdle();
        EXPECT_EQ(world.desktopRequests().size() - before, c.opened ? 1u : 0u);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].starts_with("Update Downloaded"), c.opened) << ui.messages[0];
        if (c.opened)
            EXPECT_EQ(*WholeFile::contents(temp.path() / "Updates/purlane-910.tar.gz"), bytes);
    }
}

TEST_F(StandardUpdaterTest, FeedAddressMustBeSecureUnlessRedirectedForTesting) {
    make();
    EXPECT_TRUE(updater->resolveFeedURL(kFeedURL));
    EXPECT_FALSE(updater->resolveFeedURL("http://updates.example.com/appcast/updates.php"));
    defaults.setString(Updater::kFeedBaseOverrideKey, "http://127.0.0.1:8123/");
    EXPECT_EQ(updater->resolveFeedURL(kFeedURL)->absoluteString(),
              "http://127.0.0.1:8123/appcast/updates.php?feed=PLAGENT");
    defaults.setString(Updater::kFeedBaseOverrideKey, "ftp://x");
    EXPECT_FALSE(updater->resolveFeedURL(kFeedURL));
}

TEST_F(StandardUpdaterTest, AutomaticChecksRunAnIntervalAfterTheLastOneAndStopWhenTurnedOff) {
    serveFeed(item("890"));
    make();
    updater->setUpdateCheckInterval(43200);
    defaults.setObject(Updater::kLastCheckTimeKey, PropertyList(Date(800000000 - 3600)));
    updater->setAutomaticallyChecksForUpdates(true);
    world.advance(43200 - 3600 - 1);
    EXPECT_TRUE(transport.requested.empty());
    world.advance(2);
    EXPECT_EQ(transport.requested.size(), 1u);
    world.advance(43200);
    EXPECT_EQ(transport.requested.size(), 2u);
    updater->setAutomaticallyChecksForUpdates(false);
    world.advance(5 * 43200);
    EXPECT_EQ(transport.requested.size(), 2u);
    EXPECT_TRUE(ui.messages.empty());

    // An unreachable server is asked again an interval later, not at once.
    transport.answers.clear();
    defaults.removeObjectForKey(Updater::kLastCheckTimeKey);
    updater->setAutomaticallyChecksForUpdates(true);
    world.advance(1);
    EXPECT_EQ(transport.requested.size(), 3u);
    world.advance(43200 - 2);
    EXPECT_EQ(transport.requested.size(), 3u);
}

}  // namespace
