#include "platform/events/ScriptValues.h"

namespace platform {

using Type = ScriptingDefinition::Type;

std::optional<PropertyList> ScriptValues::fromDescriptor(const AppleEventDescriptor& desc,
                                                         Type type) {
    switch (type) {
        case Type::Text:
            if (auto s = desc.stringValue()) return PropertyList(*s);
            return std::nullopt;
        case Type::Boolean:
            if (auto b = desc.booleanValue()) return PropertyList(*b);
            return std::nullopt;
        case Type::Integer:
            if (auto i = desc.int32Value()) return PropertyList(static_cast<long long>(*i));
            return std::nullopt;
        case Type::Real:
            if (auto d = desc.doubleValue()) return PropertyList(*d);
            return std::nullopt;
        case Type::File:
            if (auto url = desc.fileURLValue()) return PropertyList(url->absoluteString());
            return std::nullopt;
        case Type::ListOfText: {
            PropertyList::Array items;
            if (!desc.isList()) {
                auto s = desc.stringValue();
                if (!s) return std::nullopt;
                items.emplace_back(*s);
                return PropertyList(std::move(items));
            }
            for (const auto& item : desc.items()) {
                auto s = item.stringValue();
                if (!s) return std::nullopt;
                items.emplace_back(*s);
            }
            return PropertyList(std::move(items));
        }
        case Type::Any:
            return fromAnyDescriptor(desc);
    }
    return std::nullopt;
}

AppleEventDescriptor ScriptValues::toDescriptor(const PropertyList& value) {
    if (const std::string* s = value.asString()) return AppleEventDescriptor::string(*s);
    if (auto b = value.asBoolean()) return AppleEventDescriptor::boolean(*b);
    if (auto i = value.asInteger()) {
        if (*i >= INT32_MIN && *i <= INT32_MAX)
            return AppleEventDescriptor::int32(static_cast<int32_t>(*i));
        return AppleEventDescriptor::real(static_cast<double>(*i));
    }
    if (auto r = value.asReal()) return AppleEventDescriptor::real(*r);
    if (const auto* array = value.asArray()) {
        auto list = AppleEventDescriptor::list();
        for (const auto& item : *array) list.insertDescriptor(toDescriptor(item));
        return list;
    }
    return AppleEventDescriptor::null();
}

std::optional<PropertyList> ScriptValues::fromAnyDescriptor(const AppleEventDescriptor& desc) {
    const FourCharCode t = desc.descriptorType();
    if (desc.isNull()) return std::nullopt;
    if (desc.isList()) {
        PropertyList::Array items;
        for (const auto& item : desc.items()) {
            auto v = fromAnyDescriptor(item);
            if (!v) return std::nullopt;
            items.push_back(std::move(*v));
        }
        return PropertyList(std::move(items));
    }
    if (t == DescType::kBoolean || t == DescType::kTrue || t == DescType::kFalse)
        return fromDescriptor(desc, Type::Boolean);
    if (t == DescType::kSInt32) return fromDescriptor(desc, Type::Integer);
    if (t == DescType::kIEEE64) return fromDescriptor(desc, Type::Real);
    return fromDescriptor(desc, Type::Text);
}

}  // namespace platform
