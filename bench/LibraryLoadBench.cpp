#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "agent/library/PLClientData.h"
#include "agent/library/SharedDataLoader.h"
#include "platform/coding/Json.h"
#include "platform/coding/PropertyListSerialization.h"

namespace {

namespace fs = std::filesystem;
using platform::PropertyList;

// A large library: 10 000 cleaners (8 000 in the library, 2 000 custom) in 300 groups of 40
// rows (200 built-in, 100 the user's), written once as the JSON pair and as the binary
// property-list pair.
constexpr int kLibraryCleaners = 8000;
constexpr int kCustomCleaners = 2000;
constexpr int kBuiltinGroups = 200;
constexpr int kUserGroups = 100;
constexpr int kRowsPerGroup = 40;

std::string libraryToken(int i) {
    return "#cleaner-" + std::to_string(i);
}
std::string customToken(int i) {
    return "custom-" + std::to_string(i);
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Half {
    std::vector<Group> groups;
    Group special;
};

Half makeHalf(bool user) {
    Half half;
    const int groups = user ? kUserGroups : kBuiltinGroups;
    for (int g = 0; g < groups; ++g) {
        Group group((user ? "User group " : "Group ") + std::to_string(g),
                    (user ? "U-" : "##G") + std::to_string(g));
        for (int r = 0; r < kRowsPerGroup; ++r) {
            const int n = g * kRowsPerGroup + r;
            const std::string token =
                user ? customToken(n % kCustomCleaners) : libraryToken(n % kLibraryCleaners);
            group.items.push_back(makeItem(token, "Name of " + token, "What " + token + " does",
                                           static_cast<ItemColor>(r % 8)));
        }
        half.groups.push_back(std::move(group));
    }
    const int count = user ? kCustomCleaners : kLibraryCleaners;
    half.special = Group(user ? "Custom" : "Library", user ? "##Custom" : "##Library");
    for (int i = 0; i < count; ++i) {
        const std::string token = user ? customToken(i) : libraryToken(i);
        half.special.items.push_back(
            makeItem(token, "Name of " + token, "What " + token + " does", ItemColor::auto_));
    }
    return half;
}

PropertyList exportGroup(const Group& group) {
    PropertyList::Array tokens;
    PropertyList::Array tags;
    for (const auto& item : group.items) {
        tokens.emplace_back(item.token);
        tags.emplace_back(rawValue(item.color_tag));
    }
    return PropertyList::Dictionary{{"uuid", group.uuid},
                                    {"name", group.name},
                                    {"tokens", std::move(tokens)},
                                    {"colortags", std::move(tags)}};
}

std::string exportJson(const Half& half) {
    PropertyList::Array groups;
    for (const auto& group : half.groups) groups.push_back(exportGroup(group));
    PropertyList::Dictionary lookup;
    lookup.reserve(half.special.items.size());
    for (const auto& item : half.special.items)
        lookup.set(item.token, PropertyList::Array{item.name, item.desc});
    PropertyList root = PropertyList::Dictionary{{"groups", std::move(groups)},
                                                 {"special", exportGroup(half.special)},
                                                 {"lookup", std::move(lookup)}};
    return platform::Json::serialize(root).valueOr({});
}

PropertyList groupsPlist(const Half& half, const char* specialKey) {
    PropertyList::Array groups;
    for (const auto& group : half.groups) groups.push_back(group.encode());
    return PropertyList::Dictionary{{"groups", std::move(groups)},
                                    {specialKey, half.special.encode()}};
}

// Made on first use, removed at exit.
class LibraryFolder {
  public:
    LibraryFolder() {
        std::string pattern = (fs::temp_directory_path() / "purlane-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        root_ = pattern;
        fs::create_directories(json());
        fs::create_directories(plist());
        const Half builtin = makeHalf(false);
        const Half user = makeHalf(true);
        writeFile(json() / SharedDataLoader::kBuiltinJson, exportJson(builtin));
        writeFile(json() / SharedDataLoader::kUserJson, exportJson(user));
        const auto binary = platform::PropertyListFormat::Binary;
        writeFile(
            plist() / SharedDataLoader::kBuiltinPlist,
            platform::PropertyListSerialization::write(groupsPlist(builtin, "library"), binary)
                .valueOr({}));
        writeFile(plist() / SharedDataLoader::kUserPlist,
                  platform::PropertyListSerialization::write(groupsPlist(user, "ccleaners"), binary)
                      .valueOr({}));
    }
    ~LibraryFolder() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    fs::path json() const { return root_ / "json"; }
    fs::path plist() const { return root_ / "plist"; }

    static const LibraryFolder& shared() {
        static const LibraryFolder folder;
        return folder;
    }

  private:
    fs::path root_;
};

template <class Read>
void loadAndMerge(benchmark::State& state, const fs::path& folder, Read read) {
    for (auto _ : state) {
        auto data = read(folder);
        if (!data) {
            state.SkipWithError(data.error().debugDescription().c_str());
            return;
        }
        PLClientData snapshot;
        snapshot.update(*data);
        benchmark::DoNotOptimize(snapshot.groupInfo.table.size());
    }
}

void BM_LibraryLoadJson(benchmark::State& state) {
    loadAndMerge(state, LibraryFolder::shared().json(), SharedDataLoader::readJson);
}
BENCHMARK(BM_LibraryLoadJson)->Unit(benchmark::kMillisecond);

void BM_LibraryLoadBinaryPlist(benchmark::State& state) {
    loadAndMerge(state, LibraryFolder::shared().plist(), SharedDataLoader::readPropertyLists);
}
BENCHMARK(BM_LibraryLoadBinaryPlist)->Unit(benchmark::kMillisecond);

}  // namespace
