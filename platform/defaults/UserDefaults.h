#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/coding/PropertyList.h"
#include "platform/core/MainQueue.h"
#include "platform/core/Url.h"
#include "platform/defaults/DefaultsStore.h"
#include "platform/defaults/RegistrationDomain.h"

namespace platform {

// A defaults object: the standard one reads the application's domain, a suite object the
// suite's domain, and both fall back to the process's registration domain. Writes go to the
// object's own persistent domain. Getters coerce as the OS documents.
class UserDefaults {
  public:
    // Called on the main queue with the key's new effective value (nothing when removed).
    using KeyObserver = std::function<void(const std::optional<PropertyList>& value)>;

    UserDefaults(std::shared_ptr<DefaultsStore> store,
                 std::shared_ptr<RegistrationDomain> registration, std::string domain,
                 MainQueue* mainQueue);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    const std::string& domainName() const;

    void registerDefaults(const PropertyList::Dictionary& values);

    std::optional<PropertyList> objectForKey(const std::string& key) const;
    // Strings, and numbers as their text.
    std::optional<std::string> stringForKey(const std::string& key) const;
    // Numbers, and numeric text read as the OS reads it; otherwise 0.
    int64_t integerForKey(const std::string& key) const;
    double doubleForKey(const std::string& key) const;
    float floatForKey(const std::string& key) const;
    // Numbers (non-zero), and text beginning with Y, y, T, t or a non-zero digit.
    bool boolForKey(const std::string& key) const;
    std::optional<PropertyList::Array> arrayForKey(const std::string& key) const;
    // Nothing unless every element is a string.
    std::optional<std::vector<std::string>> stringArrayForKey(const std::string& key) const;
    std::optional<PropertyList::Dictionary> dictionaryForKey(const std::string& key) const;
    std::optional<PropertyList::Data> dataForKey(const std::string& key) const;
    // URL text, or a path (tilde allowed), which becomes a file URL.
    std::optional<Url> URLForKey(const std::string& key) const;

    // An absent value removes the key. Failures to store are logged, as the OS does.
    void setObject(const std::string& key, std::optional<PropertyList> value);
    void setBool(const std::string& key, bool value) { setObject(key, PropertyList(value)); }
    void setInteger(const std::string& key, int64_t value) {
        setObject(key, PropertyList(static_cast<long long>(value)));
    }
    void setDouble(const std::string& key, double value) { setObject(key, PropertyList(value)); }
    void setString(const std::string& key, const std::string& value) {
        setObject(key, PropertyList(value));
    }
    // File URLs are stored as their path, others as their text.
    void setURL(const std::string& key, const std::optional<Url>& url);
    void removeObjectForKey(const std::string& key) { setObject(key, std::nullopt); }

    std::optional<PropertyList::Dictionary> persistentDomainForName(const std::string& name) const;
    void removePersistentDomainForName(const std::string& name);
    // Everything this object sees: the registration domain overlaid with its own domain.
    PropertyList::Dictionary dictionaryRepresentation() const;
    // Writes are immediate; kept for callers written against the OS.
    bool synchronize() { return true; }

    // Calls `observer` on the main queue whenever the key's effective value changes, also by
    // another process's write or a registration.
    ObserverToken observe(const std::string& key, KeyObserver observer);
    void removeObserver(ObserverToken token);

    // The coercions, exposed for the property-list tools that print values the same way.
    static std::optional<std::string> coerceString(const PropertyList& v);
    static int64_t coerceInteger(const PropertyList& v);
    static double coerceDouble(const PropertyList& v);
    static bool coerceBool(const PropertyList& v);

  private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

}  // namespace platform
