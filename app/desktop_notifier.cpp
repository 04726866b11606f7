#include "app/desktop_notifier.h"

#include "app/quarvel_app.h"

#include <QDBusMessage>
#include <QGuiApplication>
#include <QStringList>
#include <QVariantMap>

namespace {

constexpr const char* kNotificationsService = "org.freedesktop.Notifications";
constexpr const char* kNotificationsPath = "/org/freedesktop/Notifications";
constexpr const char* kNotificationsInterface = "org.freedesktop.Notifications";
constexpr const char* kApplicationName = "Veltrano Audio Converter";
constexpr const char* kIconName = "veltrano";
// The notification server picks how long a notice stays.
constexpr int kServerChosenTimeout = -1;

} // namespace

FreedesktopNotifier::FreedesktopNotifier(QDBusConnection bus) : m_bus(std::move(bus)) {}

bool FreedesktopNotifier::ProgramIsActive() const {
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void FreedesktopNotifier::Notify(const std::string& summary) {
    if (!m_bus.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kNotificationsService, kNotificationsPath,
                                                       kNotificationsInterface, "Notify");
    // The launcher's id lets the desktop show the program's name and icon.
    const QVariantMap hints{{"desktop-entry", QString(kDesktopFileName)}};
    call << QString(kApplicationName) << uint(0) << QString(kIconName)
         << QString::fromStdString(summary) << QString() << QStringList() << hints
         << kServerChosenTimeout;
    m_bus.send(call);
}
