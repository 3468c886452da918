#include "platform/defaults/UserDefaults.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/core/Log.h"

namespace platform {

struct UserDefaults::Impl : std::enable_shared_from_this<Impl> {
    std::shared_ptr<DefaultsStore> store;
    std::shared_ptr<RegistrationDomain> registration;
    std::string domain;
    MainQueue* mainQueue = nullptr;
    ObserverToken storeToken = 0;

    struct Observation {
        ObserverToken token;
        std::string key;
        std::optional<PropertyList> last;
        std::shared_ptr<KeyObserver> observer;
    };
    std::mutex mutex;
    std::vector<Observation> observations;
    ObserverToken nextToken = 1;
    bool checkScheduled = false;

    std::optional<PropertyList> lookup(const std::string& key) const {
        const auto snapshot = store->domain(domain);
        if (const PropertyList* v = snapshot->find(key)) return *v;
        return registration->find(key);
    }

    // Compares every observed key with what its observer last saw; runs on the main queue.
    void check() {
        std::vector<std::pair<std::shared_ptr<KeyObserver>, std::optional<PropertyList>>> due;
        {
            std::lock_guard lock(mutex);
            checkScheduled = false;
            for (auto& o : observations) {
                auto now = lookup(o.key);
                if (now != o.last) {
                    o.last = now;
                    due.emplace_back(o.observer, std::move(now));
                }
            }
        }
        for (auto& [observer, value] : due) (*observer)(value);
    }

    void scheduleCheck() {
        {
            std::lock_guard lock(mutex);
            if (observations.empty() || checkScheduled) return;
            checkScheduled = true;
        }
        std::weak_ptr<Impl> weak = weak_from_this();
        auto run = [weak] {
            if (auto self = weak.lock()) self->check();
        };
        if (mainQueue) {
            mainQueue->async(run);
        } else {
            run();
        }
    }
};

UserDefaults::UserDefaults(std::shared_ptr<DefaultsStore> store,
                           std::shared_ptr<RegistrationDomain> registration, std::string domain,
                           MainQueue* mainQueue)
    : impl_(std::make_shared<Impl>()) {
    impl_->store = std::move(store);
    impl_->registration = std::move(registration);
    impl_->domain = std::move(domain);
    impl_->mainQueue = mainQueue;
}

UserDefaults::~UserDefaults() {
    if (impl_->storeToken) impl_->store->removeChangeObserver(impl_->storeToken);
}

const std::string& UserDefaults::domainName() const {
    return impl_->domain;
}

void UserDefaults::registerDefaults(const PropertyList::Dictionary& values) {
    impl_->registration->registerDefaults(values);
    impl_->scheduleCheck();
}

std::optional<PropertyList> UserDefaults::objectForKey(const std::string& key) const {
    return impl_->lookup(key);
}

namespace {

std::string numberText(const PropertyList& v) {
    if (auto b = v.asBoolean()) return *b ? "1" : "0";
    if (auto i = v.asInteger()) return std::to_string(*i);
    const double d = *v.asReal();
    char buf[64];
    // Shortest text that reads back as the same number, as the OS's number description.
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, res.ptr);
}

size_t skipSpace(const std::string& s, size_t i = 0) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    return i;
}

// The OS's integer reading of text: leading blanks, a sign, then as many digits as there are;
// saturates on overflow; 0 when no digit follows.
int64_t textInteger(const std::string& s) {
    size_t i = skipSpace(s);
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t value = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        const int digit = s[i] - '0';
        if (value > (INT64_MAX - digit) / 10) return negative ? INT64_MIN : INT64_MAX;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

double textDouble(const std::string& s) {
    const size_t i = skipSpace(s);
    const char* begin = s.c_str() + i;
    char* end = nullptr;
    const double d = std::strtod(begin, &end);
    if (end == begin) return 0;
    // strtod also reads "inf", "nan" and hex; the OS reads decimal only.
    for (const char* p = begin; p < end; ++p) {
        const char c = *p;
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == 'e' || c == 'E' ||
              c == '+' || c == '-'))
            return 0;
    }
    return d;
}

// Y, y, T, t or a digit 1-9 after blanks, a sign and leading zeros.
bool textBool(const std::string& s) {
    size_t i = skipSpace(s);
    if (i < s.size() && (s[i] == 'Y' || s[i] == 'y' || s[i] == 'T' || s[i] == 't')) return true;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    while (i < s.size() && s[i] == '0') ++i;
    return i < s.size() && s[i] >= '1' && s[i] <= '9';
}

}  // namespace

std::optional<std::string> UserDefaults::coerceString(const PropertyList& v) {
    if (const std::string* s = v.asString()) return *s;
    if (v.isNumber() || v.isBoolean()) return numberText(v);
    return std::nullopt;
}

int64_t UserDefaults::coerceInteger(const PropertyList& v) {
    if (auto i = v.asInteger()) return *i;
    if (auto b = v.asBoolean()) return *b ? 1 : 0;
    if (auto r = v.asReal()) {
        if (std::isnan(*r)) return 0;
        if (*r >= 9.2233720368547758e18) return INT64_MAX;
        if (*r <= -9.2233720368547758e18) return INT64_MIN;
        return static_cast<int64_t>(*r);
    }
    if (const std::string* s = v.asString()) return textInteger(*s);
    return 0;
}

double UserDefaults::coerceDouble(const PropertyList& v) {
    if (auto r = v.asReal()) return *r;
    if (auto b = v.asBoolean()) return *b ? 1 : 0;
    if (const std::string* s = v.asString()) return textDouble(*s);
    return 0;
}

bool UserDefaults::coerceBool(const PropertyList& v) {
    if (auto b = v.asBoolean()) return *b;
    if (auto i = v.asInteger()) return *i != 0;
    if (auto r = v.asReal()) return *r != 0;
    if (const std::string* s = v.asString()) return textBool(*s);
    return false;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    auto v = impl_->lookup(key);
    return v ? coerceString(*v) : std::nullopt;
}

int64_t UserDefaults::integerForKey(const std::string& key) const {
    auto v = impl_->lookup(key);
    return v ? coerceInteger(*v) : 0;
}

double UserDefaults::doubleForKey(const std::string& key) const {
    auto v = impl_->lookup(key);
    return v ? coerceDouble(*v) : 0;
}

float UserDefaults::floatForKey(const std::string& key) const {
    return static_cast<float>(doubleForKey(key));
}

bool UserDefaults::boolForKey(const std::string& key) const {
    auto v = impl_->lookup(key);
    return v ? coerceBool(*v) : false;
}

std::optional<PropertyList::Array> UserDefaults::arrayForKey(const std::string& key) const {
    auto v = impl_->lookup(key);
    if (!v || !v->isArray()) return std::nullopt;
    return std::move(*v->asArray());
}

std::optional<std::vector<std::string>> UserDefaults::stringArrayForKey(
    const std::string& key) const {
    auto v = impl_->lookup(key);
    if (!v || !v->isArray()) return std::nullopt;
    std::vector<std::string> out;
    for (const auto& e : *v->asArray()) {
        const std::string* s = e.asString();
        if (!s) return std::nullopt;
        out.push_back(*s);
    }
    return out;
}

std::optional<PropertyList::Dictionary> UserDefaults::dictionaryForKey(
    const std::string& key) const {
    auto v = impl_->lookup(key);
    if (!v || !v->isDictionary()) return std::nullopt;
    return std::move(*v->asDictionary());
}

std::optional<PropertyList::Data> UserDefaults::dataForKey(const std::string& key) const {
    auto v = impl_->lookup(key);
    if (!v || !v->isData()) return std::nullopt;
    return *v->asData();
}

std::optional<Url> UserDefaults::URLForKey(const std::string& key) const {
    auto v = impl_->lookup(key);
    if (!v) return std::nullopt;
    const std::string* s = v->asString();
    if (!s || s->empty()) return std::nullopt;
    if ((*s)[0] == '/' || (*s)[0] == '~') {
        // As the OS makes a file URL from a path: a folder (a bundle, say) ends with "/".
        const std::string path = Url::expandTilde(*s);
        std::error_code ec;
        return Url::fileURLWithPath(path, std::filesystem::is_directory(path, ec));
    }
    return Url::parse(*s);
}

void UserDefaults::setObject(const std::string& key, std::optional<PropertyList> value) {
    if (value && value->isNull()) value.reset();
    Status status = impl_->store->setValue(impl_->domain, key, std::move(value));
    if (!status.ok())
        log("Couldn't store " + key + " in " + impl_->domain + ": " +
            status.error().debugDescription());
}

void UserDefaults::setURL(const std::string& key, const std::optional<Url>& url) {
    if (!url) return removeObjectForKey(key);
    setObject(key, PropertyList(url->isFileURL() ? url->path() : url->absoluteString()));
}

std::optional<PropertyList::Dictionary> UserDefaults::persistentDomainForName(
    const std::string& name) const {
    auto snapshot = impl_->store->domain(name);
    if (snapshot->empty()) return std::nullopt;
    return *snapshot;
}

void UserDefaults::removePersistentDomainForName(const std::string& name) {
    Status status = impl_->store->removeDomain(name);
    if (!status.ok()) log("Couldn't remove " + name + ": " + status.error().debugDescription());
}

PropertyList::Dictionary UserDefaults::dictionaryRepresentation() const {
    PropertyList::Dictionary merged = impl_->registration->contents();
    for (const auto& [key, value] : *impl_->store->domain(impl_->domain)) merged.set(key, value);
    return merged;
}

ObserverToken UserDefaults::observe(const std::string& key, KeyObserver observer) {
    ObserverToken token;
    bool subscribe = false;
    {
        std::lock_guard lock(impl_->mutex);
        token = impl_->nextToken++;
        impl_->observations.push_back(
            {token, key, impl_->lookup(key), std::make_shared<KeyObserver>(std::move(observer))});
        subscribe = impl_->storeToken == 0;
    }
    if (subscribe) {
        std::weak_ptr<Impl> weak = impl_;
        impl_->storeToken = impl_->store->observeChanges([weak](const std::string& domain) {
            auto self = weak.lock();
            if (self && domain == self->domain) self->scheduleCheck();
        });
    }
    return token;
}

void UserDefaults::removeObserver(ObserverToken token) {
    std::lock_guard lock(impl_->mutex);
    std::erase_if(impl_->observations,
                  [token](const Impl::Observation& o) { return o.token == token; });
}

}  // namespace platform
