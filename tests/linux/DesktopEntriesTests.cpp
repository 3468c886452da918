// Desktop entries: which files are read, which entry wins, and which entry names a window.

#include "platform/linux/DesktopEntries.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

    const DesktopEntries::Entry* byId(const std::string& id) const {
        for (const auto& e : entries.entries())
            if (e.id == id) return &e;
        return nullptr;
    }

    TempDir home, system, other;
    DesktopEntries entries;
};

TEST_F(DesktopEntriesTest, EarlierFoldersHideLaterOnesAndOnlyApplicationsCount) {
    const struct {
        const char* id;
        const char* name;  // nullptr: no entry
    } cases[] = {
        {"org.gnome.Zenity", "Zenity Dialogs"},
        {"shadowed", "User Copy"},
        {"gone", nullptr},  // hidden by the user, so the system's is hidden too
        {"kde-org.kde.kate", "Kate"},
        {"org.example.Editor", "Editor"},
        {"link", nullptr},
        {"notes", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const auto* e = byId(c.id);
        if (!c.name) {
            EXPECT_EQ(e, nullptr);
            continue;
        }
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->name, c.name);
    }
}

TEST_F(DesktopEntriesTest, AWindowFindsItsEntryByClassThenApplicationIdThenId) {
    const struct {
        const char* instance;
        const char* klass;
        const char* applicationId;
        const char* expected;  // entry id, nullptr for none
    } cases[] = {
        {"zenity", "Zenity", "", "org.gnome.Zenity"},  // StartupWMClass = class
        {"Zenity", "Other", "", "org.gnome.Zenity"},   // StartupWMClass = instance
        {"editor", "Editor", "org.example.Editor", "org.example.Editor"},  // application id
        {"xterm", "XTerm", "", "xterm"},                                   // id = class, any case
        {"kate", "kate", "", nullptr},  // ids are whole: no "kate"
        {"", "", "", nullptr},
        {"unknown", "Unknown", "org.example.Missing", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.instance) + "/" + c.klass + "/" + c.applicationId);
        const auto* e = entries.match(c.instance, c.klass, c.applicationId);
        if (!c.expected) {
            EXPECT_EQ(e, nullptr);
            continue;
        }
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->id, c.expected);
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
        SCOPED_TRACE(c.language);
        const auto e = DesktopEntries::parse(text, "files", c.language);
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->name, c.name);
    }
    EXPECT_FALSE(DesktopEntries::parse("[Desktop Entry]\nType=Application\n", "x", "").has_value());
    EXPECT_FALSE(DesktopEntries::parse("[Other]\nType=Application\nName=X\n", "x", "").has_value());
}

TEST(DesktopEntryFolders, UserFolderFirstThenTheSystemOnes) {
    const char* saved[] = {std::getenv("XDG_DATA_HOME"), std::getenv("XDG_DATA_DIRS")};
    const std::string keep[] = {saved[0] ? saved[0] : "", saved[1] ? saved[1] : ""};
    setenv("XDG_DATA_HOME", "/home/u/data", 1);
    setenv("XDG_DATA_DIRS", "/opt/share::relative:/usr/share", 1);
    const std::vector<std::filesystem::path> expected = {"/home/u/data", "/opt/share",
                                                         "/usr/share"};
    EXPECT_EQ(DesktopEntries::dataDirectories(), expected);
    for (int i = 0; i < 2; ++i) {
        const char* name = i == 0 ? "XDG_DATA_HOME" : "XDG_DATA_DIRS";
        if (saved[i])
            setenv(name, keep[i].c_str(), 1);
        else
            unsetenv(name);
    }
}

}  // namespace
