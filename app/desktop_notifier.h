// Desktop notices through the freedesktop.org notification service on the
// session bus.
#pragma once

#include "tasks/services.h"

#include <QDBusConnection>

class FreedesktopNotifier : public DesktopNotifier {
public:
    // Notices go over `bus`; the session bus when none is given.
    explicit FreedesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus());

    bool ProgramIsActive() const override;
    // Sends Notify without waiting for an answer: a desktop without the
    // service, or a slow one, never holds up the window.
    void Notify(const std::string& summary) override;

private:
    QDBusConnection m_bus;
};
