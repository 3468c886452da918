#pragma once

#include <QByteArray>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QThread>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What a registered program says about itself.
struct RegisteredApplication {
    int pid = 0;
    std::string bundleIdentifier;  // empty for a tool without one
    std::string bundleURL;         // empty for a tool that is not a bundle
    std::string localizedName;
    int activationPolicy = 0;
    double launchedAt = 0;   // CLOCK_REALTIME seconds at registration: the launch order
    double activatedAt = 0;  // 0 when never activated
};

// The registration of a program of ours on the session bus, and what other processes use to
// find it and reach it.
//
// Each program owns the name "com.halvik.purlane.App.p<PID>" and exports this object, so any
// process can list the programs, ask one who it is, to terminate or activate, and deliver
// Apple events to it. The object answers from a thread of its own, so a program busy on its
// main thread is still listed; requests are carried out on the main thread, in order, once its
// event loop runs. Requests a process makes to itself never leave it.
class AppRegistry : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.halvik.purlane.Application")

  public:
    static constexpr const char* kServicePrefix = "com.halvik.purlane.App.p";
    static constexpr const char* kPath = "/com/halvik/purlane/Application";
    static constexpr const char* kInterface = "com.halvik.purlane.Application";
    // Identity questions get a short time: a stuck program must not hold up a listing.
    static constexpr int kInfoTimeoutMs = 1000;

    // What the program does on request; called on the main thread.
    struct Callbacks {
        std::function<void()> terminate;
        std::function<void(uint64_t options)> activate;
        // An encoded event in, an encoded reply out.
        std::function<std::string(const std::string& event)> handleAppleEvent;
    };

    AppRegistry(RegisteredApplication identity, Callbacks callbacks);
    ~AppRegistry() override;

    // Exports the object and takes the program's name (stamping launchedAt). False without a
    // session bus. One registration per process.
    bool registerOnBus();
    void unregisterFromBus();
    bool isRegistered() const { return registered_; }
    RegisteredApplication identity() const;
    void updateIdentity(const std::function<void(RegisteredApplication&)>& change);
    // Tells every process that this program became active.
    void announceActivation();

    // The client side.
    static QString serviceName(int pid);
    // The pid in a program's name; nothing for other names.
    static std::optional<int> pidForServiceName(const QString& name);
    static bool busAvailable();
    // Every registered program that answered, in launch order.
    static std::vector<RegisteredApplication> list();
    static bool isRunning(int pid);
    // This process's own identity, when it is registered.
    static std::optional<RegisteredApplication> selfIdentity();
    // Whether the request reached the program (not whether it complied).
    static bool requestTerminate(int pid);
    static bool requestActivate(int pid, uint64_t options);
    // An event for this very process: handled here, at once when waited for. Nothing when
    // this process is not registered.
    static std::optional<std::string> deliverLocally(const std::string& event, bool wait);

    static RegisteredApplication fromMap(const QVariantMap& map);
    static QVariantMap toMap(const RegisteredApplication& app);
    static double realTimeNow();

  public slots:
    QVariantMap Info();
    void Terminate();
    void Activate(qulonglong options);
    QByteArray HandleAppleEvent(const QByteArray& event, const QDBusMessage& message);

  signals:
    void Activated(int pid);

  private:
    static AppRegistry* current();
    static void onMainThread(std::function<void()> work);

    Callbacks callbacks_;
    mutable std::mutex mutex_;
    RegisteredApplication identity_;
    QThread thread_;
    bool registered_ = false;
};

}  // namespace platform
