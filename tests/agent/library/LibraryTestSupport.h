#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "agent/library/Group.h"
#include "agent/library/SharedDataLoader.h"
#include "platform/sim/SimGroupContainers.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"
#include "tests/support/TempDir.h"

namespace librarytest {

inline std::filesystem::path fixture(const std::string& relative) {
    return std::filesystem::path(PURLANE_TEST_DATA) / "library" / relative;
}

inline std::vector<std::string> tokensOf(const Group& group) {
    std::vector<std::string> tokens;
    for (const auto& item : group.items) tokens.push_back(item.token);
    return tokens;
}

inline std::vector<std::string> uuidsOf(const std::vector<Group>& groups) {
    std::vector<std::string> uuids;
    for (const auto& group : groups) uuids.push_back(group.uuid);
    return uuids;
}

// A simulated agent whose group container lives in a temporary folder.
class LibraryEnvironment {
  public:
    testsupport::TempDir temp;
    platform::SimGroupContainers containers{temp.path() / "containers"};
    platform::SimWorld world;
    platform::SimProcess& agent = world.launch("com.halvik.purlane.agent");
    SharedDataLoader loader{containers, agent.standardUserDefaults()};

    std::filesystem::path dataFolder() const {
        return temp.path() / "containers" / SharedDataLoader::kGroupIdentifier / "Data";
    }
    // Copies a fixture into the data folder, under its own name or `as`.
    void install(const std::string& relative, const std::string& as = {}) const {
        const auto source = fixture(relative);
        const auto name = as.empty() ? source.filename().string() : as;
        std::filesystem::create_directories(dataFolder());
        std::filesystem::copy_file(source, dataFolder() / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    void write(const std::string& name, const std::string& bytes) const {
        temp.write(std::filesystem::relative(dataFolder() / name, temp.path()).string(), bytes);
    }
};

}  // namespace librarytest
