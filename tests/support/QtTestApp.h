#pragma once

#include <functional>

namespace testsupport {

// A Qt application object for tests of the real platform (created once per test binary), and
// a way to run its event loop until something happened.
void ensureQtApplication();
// Processes events until `done()` is true or `timeout` seconds passed; returns done().
bool spinUntil(const std::function<bool()>& done, double timeout = 10);

}  // namespace testsupport
