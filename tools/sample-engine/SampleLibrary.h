#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

// The sample engine's library: what it publishes for the agent and what its cleaners are called.
class SampleLibrary {
  public:
    struct Cleaner {
        std::string token, name, desc;
    };
    struct Row {
        std::string token;
        int colorTag = 0;
    };
    struct Group {
        std::string uuid, name;
        std::vector<Row> rows;
    };

    static const SampleLibrary& shared();

    const std::vector<Cleaner>& cleaners() const { return cleaners_; }
    // The token of a cleaner given by token or by name.
    std::optional<std::string> resolve(const std::string& cleaner) const;

    // The JSON export pair, the form the current agent prefers.
    platform::PropertyList builtinExport() const;
    platform::PropertyList userExport() const;
    // The version-8 engine's list file.
    platform::PropertyList legacyLists() const;

    // Writes the files into the data folder, each replaced atomically.
    platform::Status writeExportPair(const std::filesystem::path& dataFolder) const;
    platform::Status writeLegacyLists(const std::filesystem::path& dataFolder) const;

  private:
    SampleLibrary();
    platform::PropertyList exportGroup(const Group& group) const;
    platform::PropertyList lookup(const std::vector<const Group*>& groups) const;
    const Cleaner* cleaner(const std::string& token) const;

    std::vector<Cleaner> cleaners_;  // library and custom cleaners
    Group library_, custom_;
    std::vector<Group> builtin_, user_;
};
