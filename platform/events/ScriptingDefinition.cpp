#include "platform/events/ScriptingDefinition.h"

#include <pugixml.hpp>

#include "platform/core/WholeFile.h"

namespace platform {

namespace {

Error bad(const std::string& what) {
    return Error::corruptData(what);
}

// A four-character code from an attribute, which must be exactly four bytes.
std::optional<FourCharCode> code4(std::string_view text) {
    if (text.size() != 4) return std::nullopt;
    return FourCharCode(text);
}

bool yes(const pugi::xml_node& node, const char* attribute) {
    const std::string v = node.attribute(attribute).as_string();
    return v == "yes" || v == "true";
}

}  // namespace

const ScriptingDefinition::Parameter* ScriptingDefinition::Command::parameterNamed(
    std::string_view name) const {
    for (const auto& p : parameters)
        if (p.name == name) return &p;
    return nullptr;
}

const ScriptingDefinition::Parameter* ScriptingDefinition::Command::parameterWithCode(
    FourCharCode code) const {
    for (const auto& p : parameters)
        if (p.code == code) return &p;
    return nullptr;
}

std::optional<ScriptingDefinition::Type> ScriptingDefinition::typeNamed(std::string_view name) {
    if (name == "text") return Type::Text;
    if (name == "boolean") return Type::Boolean;
    if (name == "integer") return Type::Integer;
    if (name == "real") return Type::Real;
    if (name == "file") return Type::File;
    if (name == "list of text") return Type::ListOfText;
    if (name == "any") return Type::Any;
    return std::nullopt;
}

Result<ScriptingDefinition> ScriptingDefinition::parse(std::string_view xml) {
    pugi::xml_document doc;
    const auto parsed = doc.load_buffer(xml.data(), xml.size(), pugi::parse_default);
    if (!parsed) return bad(std::string("XML: ") + parsed.description());
    const pugi::xml_node dictionary = doc.child("dictionary");
    if (!dictionary) return bad("no <dictionary> element");

    ScriptingDefinition def;
    for (const auto& suite : dictionary.children("suite")) {
        for (const auto& node : suite.children("command")) {
            Command c;
            c.name = node.attribute("name").as_string();
            c.className = node.attribute("class").as_string();
            const std::string code = node.attribute("code").as_string();
            if (c.name.empty() || code.size() != 8)
                return bad("command '" + c.name + "' needs a name and an eight-character code");
            c.eventClass = FourCharCode(std::string_view(code).substr(0, 4));
            c.eventID = FourCharCode(std::string_view(code).substr(4, 4));
            if (const auto direct = node.child("direct-parameter")) {
                auto type = typeNamed(direct.attribute("type").as_string());
                if (!type) return bad("command '" + c.name + "': unknown direct-parameter type");
                c.directParameter = DirectParameter{*type, yes(direct, "optional")};
            }
            for (const auto& p : node.children("parameter")) {
                Parameter param;
                param.name = p.attribute("name").as_string();
                param.key = p.attribute("key").as_string();
                auto pcode = code4(p.attribute("code").as_string());
                auto type = typeNamed(p.attribute("type").as_string());
                if (param.name.empty() || param.key.empty() || !pcode || !type)
                    return bad("command '" + c.name + "': parameter '" + param.name +
                               "' needs a name, a key, a four-character code and a known type");
                param.code = *pcode;
                param.type = *type;
                param.optional = yes(p, "optional");
                c.parameters.push_back(std::move(param));
            }
            if (const auto result = node.child("result")) {
                auto type = typeNamed(result.attribute("type").as_string());
                if (!type) return bad("command '" + c.name + "': unknown result type");
                c.result = *type;
            }
            def.commands_.push_back(std::move(c));
        }
    }
    return def;
}

Result<ScriptingDefinition> ScriptingDefinition::readFile(const std::filesystem::path& path) {
    auto bytes = WholeFile::contents(path);
    if (!bytes) return bytes.error();
    return parse(*bytes);
}

const ScriptingDefinition::Command* ScriptingDefinition::commandNamed(std::string_view name) const {
    for (const auto& c : commands_)
        if (c.name == name) return &c;
    return nullptr;
}

const ScriptingDefinition::Command* ScriptingDefinition::command(FourCharCode eventClass,
                                                                 FourCharCode eventID) const {
    for (const auto& c : commands_)
        if (c.eventClass == eventClass && c.eventID == eventID) return &c;
    return nullptr;
}

}  // namespace platform
