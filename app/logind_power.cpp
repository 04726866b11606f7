#include "app/logind_power.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace {

constexpr const char* kLogindService = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";

} // namespace

bool LogindPowerControl::PowerOff() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusInterface manager(kLogindService, kLogindPath, kLogindManager, bus);
    if (!manager.isValid()) {
        return false;
    }
    const QDBusReply<QString> allowed = manager.call("CanPowerOff");
    if (!allowed.isValid() || allowed.value() != "yes") {
        return false;
    }
    // Not interactive: the user already asked for it in the progress dialog.
    const QDBusReply<void> done = manager.call("PowerOff", false);
    return done.isValid();
}
