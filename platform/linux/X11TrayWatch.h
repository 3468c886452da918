#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>
#include <memory>

class QObject;

namespace platform {

// Tells when an XEmbed system tray announces itself on the X11 root window (the MANAGER client
// message for the screen's tray selection). Qt docks a tray icon only if a tray runs when the icon
// is shown; this lets an icon shown earlier dock later. Does nothing outside X11.
class X11TrayWatch : public QAbstractNativeEventFilter {
  public:
    // `announced` runs from the event loop, after the message was handled.
    explicit X11TrayWatch(std::function<void()> announced);
    ~X11TrayWatch() override;
    X11TrayWatch(const X11TrayWatch&) = delete;
    X11TrayWatch& operator=(const X11TrayWatch&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    std::function<void()> announced_;
    // Owns the pending calls, so none comes after the watch is gone.
    std::unique_ptr<QObject> context_;
    uint32_t managerAtom_ = 0;
    uint32_t trayAtom_ = 0;
    bool installed_ = false;
};

}  // namespace platform
