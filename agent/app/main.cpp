#include <signal.h>

#include "agent/app/Banner.h"
#include "platform/Bundle.h"
#include "platform/Log.h"

int main() {
    // Block the quit signals before anything else so they are taken by sigwait below and not
    // by their default action, whenever they arrive.
    sigset_t quit;
    sigemptyset(&quit);
    sigaddset(&quit, SIGTERM);
    sigaddset(&quit, SIGINT);
    pthread_sigmask(SIG_BLOCK, &quit, nullptr);

    platform::print(startupBanner(platform::Bundle::main()));

    int signal = 0;
    while (sigwait(&quit, &signal) != 0) {
    }
    return 0;
}
