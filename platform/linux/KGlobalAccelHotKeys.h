#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/input/HotKeys.h"

class QDBusMessage;

namespace platform {

class DBusSignalThread;

// System-wide hot keys through KDE's global shortcut service (org.kde.kglobalaccel), on Plasma
// sessions whether X11 or Wayland. Each distinct signature and id is one action of our
// component, set to the registered combination as a Qt key code with Qt modifiers (Command is
// Meta). The service answers with the keys it actually set: none means another action holds
// the combination (kEventHotKeyExistsErr); other keys are logged, our record staying as it is.
// Presses arrive as the component's globalShortcutPressed signal, on a thread of its own, and
// reach the handler through `runOnMain`.
class KGlobalAccelHotKeys : public HotKeys {
  public:
    using RunOnMain = std::function<void(std::function<void()>)>;
    // The text the desktop's settings show for an action.
    using Describe = std::function<std::string(uint32_t signature, uint32_t id)>;

    // Nothing when the service is not on the session bus. `component` is our component's
    // unique name, `componentName` the name the settings show.
    static std::unique_ptr<KGlobalAccelHotKeys> open(RunOnMain runOnMain,
                                                     const std::string& component,
                                                     const std::string& componentName,
                                                     Describe describe = nullptr);
    ~KGlobalAccelHotKeys() override;
    KGlobalAccelHotKeys(const KGlobalAccelHotKeys&) = delete;
    KGlobalAccelHotKeys& operator=(const KGlobalAccelHotKeys&) = delete;

    int registerHotKey(uint16_t keyCode, uint32_t carbonModifiers, uint32_t signature, uint32_t id,
                       Ref& ref) override;
    void unregisterHotKey(Ref ref) override;
    void setHandler(Handler handler) override;

    // The action's unique name a registration is set under.
    static std::string actionId(uint32_t signature, uint32_t id);

  private:
    struct Registration {
        uint32_t signature;
        uint32_t id;
        int keys;
    };

    KGlobalAccelHotKeys(RunOnMain runOnMain, std::string component, std::string componentName,
                        Describe describe);

    // Thread only, from here on.
    void received(const QDBusMessage& message);
    // The keys the service set, or nothing when it did not answer.
    std::optional<int> setShortcut(uint32_t signature, uint32_t id, int keys);
    void watchComponent();

    RunOnMain runOnMain_;
    std::string component_;
    std::string componentName_;
    Describe describe_;
    std::unique_ptr<DBusSignalThread> thread_;
    std::string componentPath_;

    std::mutex mutex_;
    Ref nextRef_ = 1;
    std::map<Ref, Registration> registrations_;
    Handler handler_;
};

}  // namespace platform
