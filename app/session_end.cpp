#include "app/session_end.h"

#include "engine/av_convert.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Written by the signal handler: write() is async-signal-safe, and the
// user-interface thread does the rest when the byte arrives.
volatile sig_atomic_t g_signalFd = -1;

extern "C" void OnEndSignal(int signal) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(signal);
    if (g_signalFd >= 0) {
        [[maybe_unused]] const ssize_t ignored = ::write(g_signalFd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

SessionEndWatcher::SessionEndWatcher(std::function<void()> onEnd) : m_onEnd(std::move(onEnd)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_pipe) != 0) {
        return; // the signals then keep their default action
    }
    g_signalFd = m_pipe[0];
    m_notifier = new QSocketNotifier(m_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { TakeSignals(); });
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kEndSignals); ++i) {
        sigaction(kEndSignals[i], &action, &m_previous[i]);
    }
}

SessionEndWatcher::~SessionEndWatcher() {
    if (m_pipe[0] < 0) {
        return;
    }
    for (size_t i = 0; i < std::size(kEndSignals); ++i) {
        sigaction(kEndSignals[i], &m_previous[i], nullptr);
    }
    g_signalFd = -1;
    delete m_notifier;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void SessionEndWatcher::TakeSignals() {
    char bytes[16];
    while (::read(m_pipe[1], bytes, sizeof bytes) > 0) {
    }
    m_onEnd();
}

void SessionEndWatcher::EndSession() {
    if (g_engine != nullptr) {
        RequestStop(*g_engine);
    }
    // The progress dialog closes like Stop; the main window waits for the
    // worker to finish its file before it closes.
    QApplication::closeAllWindows();
}
