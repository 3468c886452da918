#pragma once

#include <string>
#include <vector>

// One subcommand of purlanectl. `args` holds what follows the subcommand's name.
struct Command {
    const char* name;
    const char* summary;
    int (*run)(const std::vector<std::string>& args);
    void (*help)();
};

// Exit statuses of the tool.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the request was understood but could not be done
constexpr int kExitUsage = 2;    // the request itself was wrong

// "purlanectl: <message>" on stderr; returns `status` so callers can `return fail(...)`.
int fail(int status, const std::string& message);
bool isHelp(const std::string& arg);

int runDefaults(const std::vector<std::string>& args);
void helpDefaults();
int runNotify(const std::vector<std::string>& args);
void helpNotify();
int runObserve(const std::vector<std::string>& args);
void helpObserve();
int runPasteboard(const std::vector<std::string>& args);
void helpPasteboard();
int runApps(const std::vector<std::string>& args);
void helpApps();
int runOpen(const std::vector<std::string>& args);
void helpOpen();
int runSendEvent(const std::vector<std::string>& args);
void helpSendEvent();
int runScript(const std::vector<std::string>& args);
void helpScript();
int runServices(const std::vector<std::string>& args);
void helpServices();
int runSession(const std::vector<std::string>& args);
void helpSession();
