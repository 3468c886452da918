// Desktop entries: which files are read, which entry wins, and which entry names a window.

#include "platform/linux/DesktopEntries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/support/HostileFiles.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

using platform::DesktopEntries;
using testsupport::TempDir;

namespace {

std::string entry(const std::string& name, const std::string& extra = {}) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=true\n" + extra;
}

class DesktopEntriesTest : public testing::Test {
  protected:
    void SetUp() override {
        // The user's folder first, then two system folders.
        home.write("applications/org.gnome.Zenity.desktop",
                   entry("Zenity Dialogs", "Name[de]=Zenity-Dialoge\nStartupWMClass=Zenity\n"));
        home.write("applications/shadowed.desktop", entry("User Copy"));
        home.write("applications/gone.desktop", entry("Gone", "Hidden=true\n"));
        system.write("applications/shadowed.desktop", entry("System Copy"));
        system.write("applications/gone.desktop", entry("Still Here"));
        system.write("applications/kde/org.kde.kate.desktop", entry("Kate"));
        system.write("applications/org.example.Editor.desktop", entry("Editor"));
        system.write("applications/xterm.desktop", entry("XTerm"));
        system.write("applications/link.desktop", "[Desktop Entry]\nType=Link\nName=Web\n");
        system.write("applications/notes.txt", entry("Not An Entry"));
        other.write("applications/org.example.Editor.desktop", entry("Later Editor"));
        entries = DesktopEntries::load({home.path(), system.path(), other.path()});
    }

    // The entry's name, or "-" when there is none with that id.
    std::string nameOf(const std::string& id) const {
        for (const auto& e : entries.entries())
            if (e.id == id) return e.name;
        return "-";
    }

    TempDir home, system, other;
    DesktopEntries entries;
};

TEST_F(DesktopEntriesTest, EarlierFoldersHideLaterOnesAndOnlyApplicationsCount) {
    const std::pair<const char*, const char*> cases[] = {
        {"org.gnome.Zenity", "Zenity Dialogs"},
        {"shadowed", "User Copy"},
        {"gone", "-"},  // hidden by the user, so the system's is hidden too
        {"kde-org.kde.kate", "Kate"},
        {"org.example.Editor", "Editor"},
        {"link", "-"},
        {"notes", "-"},
    };
    for (const auto& [id, name] : cases) EXPECT_EQ(nameOf(id), name) << id;
}

TEST_F(DesktopEntriesTest, AWindowFindsItsEntryByClassThenApplicationIdThenId) {
    const struct {
        const char* instance;
        const char* klass;
        const char* applicationId;
        const char* expected;  // entry id, "-" for none
    } cases[] = {
        {"zenity", "Zenity", "", "org.gnome.Zenity"},  // StartupWMClass = class
        {"Zenity", "Other", "", "org.gnome.Zenity"},   // StartupWMClass = instance
        {"editor", "Editor", "org.example.Editor", "org.example.Editor"},  // application id
        {"xterm", "XTerm", "", "xterm"},                                   // id = class, any case
        {"kate", "kate", "", "-"},  // ids are whole: no "kate"
        {"", "", "", "-"},
        {"unknown", "Unknown", "org.example.Missing", "-"},
    };
    for (const auto& c : cases) {
        const auto* e = entries.match(c.instance, c.klass, c.applicationId);
        EXPECT_EQ(e ? e->id : "-", c.expected)
            << c.instance << "/" << c.klass << "/" << c.applicationId;
    }
}

TEST(DesktopEntryParse, NameFollowsTheLanguageAndEscapes) {
    const std::string text = entry("Files\\sand\\sFolders",
                                   "Name[de]=Dateien\nName[pt_BR]=Arquivos\n[Desktop Action new]\n"
                                   "Name=New Window\n");
    const struct {
        const char* language;
        const char* name;
    } cases[] = {
        {"", "Files and Folders"},   {"C.UTF-8", "Files and Folders"}, {"de_AT.UTF-8", "Dateien"},
        {"pt_BR.UTF-8", "Arquivos"}, {"pt_PT", "Files and Folders"},   {"de_DE@euro", "Dateien"},
    };
    for (const auto& c : cases) {
        const auto e = DesktopEntries::parse(text, "files", c.language);
        EXPECT_EQ(e ? e->name : "-", c.name) << c.language;
    }
    EXPECT_FALSE(DesktopEntries::parse("[Desktop Entry]\nType=Application\n", "x", ""));
    EXPECT_FALSE(DesktopEntries::parse("[Other]\nType=Application\nName=X\n", "x", ""));
}

TEST(DesktopEntryFolders, AnUnreadableSubfolderHidesOnlyItsOwnEntries) {
    TempDir data;
    // Folders are read in no set order: enough readable ones that some come after the locked.
    std::vector<std::string> readable;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "app" + std::to_string(i);
        data.write("applications/" + name + "/" + name + ".desktop", entry(name));
        data.write("applications/top" + std::to_string(i) + ".desktop", entry("top"));
        readable.push_back(name + "-" + name);
    }
    data.write("applications/locked/hidden.desktop", entry("Hidden"));
    testsupport::ActingAsOrdinaryUser::openToOthers(data.path());
    std::filesystem::permissions(data / "applications/locked", std::filesystem::perms::none);
    std::vector<std::string> ids;
    {
        testsupport::ActingAsOrdinaryUser user;
        if (!user.active()) GTEST_SKIP() << "root without the right to act as another user";
        const DesktopEntries loaded = DesktopEntries::load({data.path()});
        for (const auto& e : loaded.entries()) ids.push_back(e.id);
    }
    std::filesystem::permissions(data / "applications/locked", std::filesystem::perms::owner_all);
    for (const auto& id : readable)
        EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
    EXPECT_EQ(ids.size(), 16u);
}

TEST(DesktopEntryFolders, UserFolderFirstThenTheSystemOnes) {
    testsupport::ScopedEnv home("XDG_DATA_HOME", "/home/u/data");
    testsupport::ScopedEnv dirs("XDG_DATA_DIRS", "/opt/share::relative:/usr/share");
    EXPECT_EQ(DesktopEntries::dataDirectories(),
              std::vector<std::filesystem::path>({"/home/u/data", "/opt/share", "/usr/share"}));
}

}  // namespace
