// The end of the desktop session (SIGTERM, SIGHUP) or Ctrl-C in the terminal
// that started the window (SIGINT): a running batch stops the way Stop stops
// it and every window closes, so the worker finishes the file it is writing,
// gives it its name and the program returns normally. Without this the
// signal would kill the program mid-file and leave its hidden work file.
#pragma once

#include <QObject>

#include <csignal>
#include <functional>

class QSocketNotifier;

class SessionEndWatcher : public QObject {
public:
    // `onEnd` runs on the user-interface thread once per signal received;
    // EndSession when none is given.
    explicit SessionEndWatcher(std::function<void()> onEnd = EndSession);
    // Puts the previous signal handlers back.
    ~SessionEndWatcher() override;
    SessionEndWatcher(const SessionEndWatcher&) = delete;
    SessionEndWatcher& operator=(const SessionEndWatcher&) = delete;

    // Asks a running batch to stop and closes every window.
    static void EndSession();

private:
    void TakeSignals();

    std::function<void()> m_onEnd;
    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_previous[3] = {};
};
