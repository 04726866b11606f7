// The real desktop notifier against a notification service of the test's own
// on a private session bus: what it sends, and that a desktop without the
// service costs nothing.
#include "app/desktop_notifier.h"
#include "app/quarvel_app.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/types.h>

namespace {

// A dbus-daemon of the test's own, ended with the test.
class PrivateBus {
public:
    PrivateBus() {
        FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 "
                          "2>/dev/null",
                          "r");
        if (out == nullptr) {
            return;
        }
        char line[512];
        if (std::fgets(line, sizeof line, out) != nullptr) {
            address = QString::fromUtf8(line).trimmed();
        }
        if (std::fgets(line, sizeof line, out) != nullptr) {
            pid = static_cast<pid_t>(std::atol(line));
        }
        pclose(out);
    }
    ~PrivateBus() {
        if (pid > 0) {
            kill(pid, SIGTERM);
        }
    }
    bool Running() const { return !address.isEmpty() && pid > 0; }

    QString address;
    pid_t pid = -1;
};

struct Notice {
    QString appName;
    QString summary;
    QVariantMap hints;
};

class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::vector<Notice> notices;

public slots:
    uint Notify(const QString& appName, uint, const QString&, const QString& summary,
                const QString&, const QStringList&, const QVariantMap& hints, int) {
        notices.push_back({appName, summary, hints});
        return static_cast<uint>(notices.size());
    }
};

class DesktopNotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!bus.Running()) {
            GTEST_SKIP() << "no dbus-daemon to run a private bus";
        }
    }
    void TearDown() override {
        for (const QString& name : connectionNames) {
            QDBusConnection::disconnectFromBus(name);
        }
    }
    // Qt keeps connections by name: each test's bus gets names of its own.
    QDBusConnection Connect(const QString& role) {
        const QString name = role + "-" + QString::number(bus.pid);
        connectionNames.push_back(name);
        return QDBusConnection::connectToBus(bus.address, name);
    }
    void StartServer() {
        QDBusConnection server = Connect("notification-server");
        ASSERT_TRUE(server.registerObject("/org/freedesktop/Notifications", &service,
                                          QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(server.registerService("org.freedesktop.Notifications"));
    }

    PrivateBus bus;
    FakeNotificationServer service;
    std::vector<QString> connectionNames;
};

TEST_F(DesktopNotifierTest, SendsOneNoticeWithTheSummaryAndTheLauncher) {
    StartServer();
    FreedesktopNotifier notifier(Connect("program"));
    notifier.Notify("Converted 8 files, 2 failed");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !service.notices.empty(); }, 10000));
    QTest::qWait(50);
    ASSERT_EQ(service.notices.size(), 1u);
    EXPECT_EQ(service.notices[0].summary.toStdString(), "Converted 8 files, 2 failed");
    EXPECT_EQ(service.notices[0].appName.toStdString(), "Veltrano Audio Converter");
    EXPECT_EQ(service.notices[0].hints.value("desktop-entry").toString().toStdString(),
              kDesktopFileName);
}

TEST_F(DesktopNotifierTest, ADesktopWithoutTheServiceGetsNothingAndTheProgramGoesOn) {
    FreedesktopNotifier notifier(Connect("program"));
    notifier.Notify("Converted 1 file");
    StartServer();
    notifier.Notify("Converted 2 files");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !service.notices.empty(); }, 10000));
    QTest::qWait(50);
    ASSERT_EQ(service.notices.size(), 1u);
    EXPECT_EQ(service.notices[0].summary.toStdString(), "Converted 2 files");

    FreedesktopNotifier unconnected(
        QDBusConnection::connectToBus(QString("unix:path=/nonexistent/bus"), "nowhere"));
    connectionNames.push_back("nowhere");
    unconnected.Notify("Converted 3 files"); // nothing to send it over, and no error
    QTest::qWait(50);
    EXPECT_EQ(service.notices.size(), 1u);
}

} // namespace

#include "desktop_notifier_test.moc"
