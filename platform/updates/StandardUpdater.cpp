#include "platform/updates/StandardUpdater.h"

#include <fstream>

#include "platform/core/Log.h"
#include "platform/updates/UpdateSignature.h"
#include "platform/workspace/Localization.h"

namespace platform {

namespace {

std::string replacingFirst(std::string text, const std::string& value) {
    const auto at = text.find("%@");
    if (at != std::string::npos) text.replace(at, 2, value);
    return text;
}

std::string escapedHTML(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool isWebURL(const Url& url) {
    return url.hasScheme("https") || url.hasScheme("http");
}

// A file name the server cannot use to leave the download folder.
std::string downloadName(const Url& url, const AppcastItem& item) {
    std::string name = url.lastPathComponent();
    if (name.empty() || name == "/" || name == "." || name == ".." ||
        name.find('/') != std::string::npos)
        name = "update-" + item.version;
    return name;
}

}  // namespace

StandardUpdater::StandardUpdater(Services services) : s_(std::move(services)) {
    const double stored = s_.defaults.doubleForKey(kScheduledCheckIntervalKey);
    if (stored > 0) interval_ = stored;
}

StandardUpdater::~StandardUpdater() {
    *alive_ = false;
}

void StandardUpdater::setUpdateCheckInterval(double seconds) {
    if (seconds <= 0) return;
    interval_ = seconds;
    s_.defaults.setDouble(kScheduledCheckIntervalKey, seconds);
    schedule();
}

void StandardUpdater::setAutomaticallyChecksForUpdates(bool on) {
    s_.defaults.setBool(kEnableAutomaticChecksKey, on);
    schedule();
}

bool StandardUpdater::automaticallyChecksForUpdates() const {
    return s_.defaults.boolForKey(kEnableAutomaticChecksKey);
}

std::optional<Date> StandardUpdater::lastUpdateCheckDate() const {
    auto value = s_.defaults.objectForKey(kLastCheckTimeKey);
    if (!value) return std::nullopt;
    return value->asDate();
}

bool StandardUpdater::insecureAllowed() const {
    return s_.defaults.stringForKey(kFeedBaseOverrideKey).has_value();
}

std::optional<Url> StandardUpdater::resolveFeedURL(const std::string& feed) const {
    auto url = Url::parse(feed);
    if (!url) return std::nullopt;
    if (auto base = s_.defaults.stringForKey(kFeedBaseOverrideKey)) {
        auto override = Url::parse(*base);
        if (!override || !isWebURL(*override)) return std::nullopt;
        std::string tail = url->components().percentEncodedPath();
        if (auto query = url->components().percentEncodedQuery()) tail += "?" + *query;
        std::string head = override->absoluteString();
        while (!head.empty() && head.back() == '/') head.pop_back();
        url = Url::parse(head + tail);
        if (!url) return std::nullopt;
    } else if (!url->hasScheme("https")) {
        // Without a signature to check, only the transport vouches for the feed.
        return std::nullopt;
    }
    return url;
}

std::function<void(Result<std::string>)> StandardUpdater::guarded(
    std::function<void(Result<std::string>)> handler) {
    std::weak_ptr<bool> alive = alive_;
    return [alive, handler = std::move(handler)](Result<std::string> body) {
        if (auto a = alive.lock(); a && *a) handler(std::move(body));
    };
}

void StandardUpdater::startCheck(bool interactive) {
    if (checking_) {
        // A check the user asks for during a quiet one shows its outcome.
        interactive_ = interactive_ || interactive;
        return;
    }
    const std::string failure =
        localized("An error occurred in retrieving update information. Please try again later.",
                  "update check failed");
    if (!delegate_ || !delegate_->updaterMayCheckForUpdates(*this)) {
        lastAttempt_ = s_.now();
        fail(failure, "no delegate or checks not allowed now", interactive);
        schedule();
        return;
    }
    const std::string feed = delegate_->feedURLStringForUpdater(*this);
    const auto url = resolveFeedURL(feed);
    if (!url) {
        lastAttempt_ = s_.now();
        fail(failure, "feed address not usable: " + feed, interactive);
        schedule();
        return;
    }
    checking_ = true;
    interactive_ = interactive;
    lastAttempt_ = s_.now();
    s_.transport.fetch(*url, kMaxFeedBytes,
                       guarded([this](Result<std::string> body) { feedArrived(std::move(body)); }));
}

void StandardUpdater::feedArrived(Result<std::string> body) {
    const std::string failure =
        localized("An error occurred in retrieving update information. Please try again later.",
                  "update check failed");
    if (!body.ok()) {
        const bool show = interactive_;
        finishCheck();
        fail(failure, body.error().debugDescription(), show);
        return;
    }
    auto appcast = Appcast::parse(*body);
    if (!appcast.ok()) {
        const bool show = interactive_;
        finishCheck();
        fail(failure, appcast.error().debugDescription(), show);
        return;
    }
    s_.defaults.setObject(kLastCheckTimeKey, PropertyList(s_.now()));
    // The user asking sees a version even when it was skipped before.
    const auto skipped = interactive_ ? std::nullopt : s_.defaults.stringForKey(kSkippedVersionKey);
    const auto best = appcast->bestUpdate(s_.currentVersion, skipped);
    available_ =
        appcast->bestUpdate(s_.currentVersion, s_.defaults.stringForKey(kSkippedVersionKey))
            .has_value();
    if (!best) {
        if (interactive_)
            s_.ui.showMessage(
                localized("You’re up to date!", "update check: no newer version"),
                replacingFirst(replacingFirst(localized("%@ %@ is currently the newest version "
                                                        "available.",
                                                        "update check: no newer version"),
                                              s_.applicationName),
                               s_.currentShortVersion));
        finishCheck();
        return;
    }
    const AppcastItem item = *best;
    std::string fallback = !item.description.empty()
                               ? item.description
                               : "<p>" +
                                     escapedHTML(localized("Release notes are not available.",
                                                           "update offer without notes")) +
                                     "</p>";
    const auto link = Url::parse(item.releaseNotesLink);
    if (!link || !isWebURL(*link)) {
        offer(item, fallback);
        return;
    }
    s_.transport.fetch(*link, kMaxNotesBytes,
                       guarded([this, item, fallback](Result<std::string> notes) {
                           offer(item, notes.ok() ? *notes : fallback);
                       }));
}

void StandardUpdater::offer(const AppcastItem& item, std::string notes) {
    finishCheck();
    UpdateOffer offer{item, s_.applicationName, s_.currentShortVersion, std::move(notes)};
    std::weak_ptr<bool> alive = alive_;
    s_.ui.showUpdateOffer(offer, [this, alive, item](UpdateChoice choice) {
        if (auto a = alive.lock(); a && *a) chosen(item, choice);
    });
}

void StandardUpdater::chosen(const AppcastItem& item, UpdateChoice choice) {
    switch (choice) {
        case UpdateChoice::RemindLater:
            return;
        case UpdateChoice::Skip:
            s_.defaults.setString(kSkippedVersionKey, item.version);
            available_ = false;
            return;
        case UpdateChoice::Install:
            break;
    }
    const std::string failure =
        localized("An error occurred while downloading the update. Please try again later.",
                  "update download failed");
    const auto url = Url::parse(item.enclosureURL);
    if (!url || !(url->hasScheme("https") || (url->hasScheme("http") && insecureAllowed()))) {
        fail(failure, "download address not usable: " + item.enclosureURL, true);
        return;
    }
    if (downloading_) return;
    downloading_ = true;
    const uint64_t cap = item.enclosureLength ? *item.enclosureLength : kMaxDownloadBytes;
    s_.transport.fetch(*url, cap, guarded([this, item](Result<std::string> body) {
        downloaded(item, std::move(body));
    }));
}

void StandardUpdater::downloaded(const AppcastItem& item, Result<std::string> body) {
    downloading_ = false;
    const std::string failure =
        localized("An error occurred while downloading the update. Please try again later.",
                  "update download failed");
    if (!body.ok()) {
        fail(failure, body.error().debugDescription(), true);
        return;
    }
    if (item.enclosureLength && body->size() != *item.enclosureLength) {
        fail(localized("The downloaded update is damaged: its size differs from the one "
                       "announced.",
                       "update download has the wrong length"),
             "got " + std::to_string(body->size()) + " bytes", true);
        return;
    }
    // A key in the bundle means every update must be signed with it; a signature we have no
    // key for proves nothing, so it is refused too.
    if (s_.publicKey || !item.signature.empty()) {
        if (!s_.publicKey || item.signature.empty() ||
            !UpdateSignature::verify(*body, item.signature, *s_.publicKey)) {
            fail(localized("The update is improperly signed and could not be validated.",
                           "update signature check failed"),
                 item.signature.empty() ? "no signature"
                 : !s_.publicKey        ? "no key to check the signature with"
                                        : "signature does not verify",
                 true);
            return;
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(s_.downloadDirectory, ec);
    const auto file = s_.downloadDirectory / downloadName(*Url::parse(item.enclosureURL), item);
    const auto partial = file.string() + ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(body->data(), static_cast<std::streamsize>(body->size()));
        out.close();
        if (!out) {
            fail(failure, "cannot write " + partial, true);
            return;
        }
    }
    std::filesystem::rename(partial, file, ec);
    if (ec) {
        fail(failure, "cannot write " + file.string() + ": " + ec.message(), true);
        return;
    }
    lastDownload_ = file;
    log("Update " + item.displayVersion() + " saved to " + file.string());
    if (!s_.workspace.openFile(file.string())) {
        fail(localized("The update could not be opened.", "downloaded update not opened"),
             file.string(), true);
        return;
    }
    s_.ui.showMessage(
        localized("Update Downloaded", "title after an update was downloaded"),
        replacingFirst(replacingFirst(localized("%@ was saved to %@ and opened.",
                                                "update downloaded and opened"),
                                      s_.applicationName + " " + item.displayVersion()),
                       file.string()));
}

void StandardUpdater::fail(const std::string& text, const std::string& detail, bool show) {
    log("Update: " + text + " (" + detail + ")");
    if (show) s_.ui.showMessage(localized("Update Error!", "update failure title"), text);
}

void StandardUpdater::finishCheck() {
    checking_ = false;
    interactive_ = false;
    schedule();
}

void StandardUpdater::schedule() {
    const uint64_t generation = ++scheduleGeneration_;
    if (!automaticallyChecksForUpdates()) return;
    // A failed attempt counts as a check here, so an unreachable server is not asked again
    // at once.
    std::optional<Date> last = lastUpdateCheckDate();
    if (lastAttempt_ && (!last || *last < *lastAttempt_)) last = lastAttempt_;
    double wait = 0;
    if (last) {
        const double since =
            s_.now().timeIntervalSinceReferenceDate() - last->timeIntervalSinceReferenceDate();
        wait = since < 0 ? interval_ : std::max(0.0, interval_ - since);
    }
    std::weak_ptr<bool> alive = alive_;
    s_.mainQueue.asyncAfter(wait, [this, alive, generation] {
        auto a = alive.lock();
        if (!a || !*a || generation != scheduleGeneration_) return;
        if (!checking_) checkForUpdatesInBackground();
    });
}

}  // namespace platform
