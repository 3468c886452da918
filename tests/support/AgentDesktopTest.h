#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/AgentSession.h"
#include "tests/support/XDesktop.h"

namespace testsupport {

// The real agent and sample engine on a desktop of the test's own, with the foreign
// applications a user would select text in: zenity's GTK entry and a Qt editor of ours. On a
// failure the screen and what the agent said are kept.
class AgentDesktopTest : public testing::Test {
  protected:
    static constexpr const char* kZenityID = "org.gnome.Zenity";

    // The desktop and the session, then the engine and the agent.
    void SetUp() override;
    void TearDown() override;
    // The desktop and the session alone, for tests that start the agent themselves.
    void startDesktop();

    static RunResult xdotool(std::vector<std::string> args);
    // Waits until `program`'s window is the active one.
    bool waitUntilInFront(Subprocess& program);
    // A GTK entry holding `text`, all of it selected, in front (in `field`).
    void openField(const std::string& text);
    // What the entry holds: zenity prints it when the user presses Return.
    std::string fieldText();
    // A Qt editor holding `text`, all of it selected, in front (in `field`).
    void openEditor(const std::string& text);
    // Whether the editor came to hold `text` (it prints its text at every change).
    bool editorShows(const std::string& text);
    // Times the agent said it registered its hot keys again.
    size_t hotKeyRegistrations();

    std::unique_ptr<XDesktop> desktop;
    std::unique_ptr<AgentSession> session;
    Subprocess* agent = nullptr;
    std::unique_ptr<Subprocess> field;
};

}  // namespace testsupport
