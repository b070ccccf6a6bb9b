#include "App.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace shell {

namespace {

int signalPipe[2] = {-1, -1};

// The running program, for the exit path below; null outside App::start .. ~App.
App* runningApp = nullptr;

// Qt ends the process with exit() when the display connection breaks (the X
// server died, a logout without a session manager): store what is not yet
// stored on the way out. This needs no display.
void storePendingAtExit() {
    if (runningApp) runningApp->ruler().StorePendingSettings();
}

extern "C" void onTerminationSignal(int sig) {
    const char c = char(sig);
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

} // namespace

App::App(platform::DesktopServices& sys) : ruler_(std::make_unique<frmRuler>(sys, globals_)) {}

App::~App() {
    if (runningApp == this) runningApp = nullptr;
    if (signalNotifier_) {
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGHUP, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
    }
}

void App::start() {
    static const bool exitHookRegistered = std::atexit(storePendingAtExit) == 0;
    (void)exitHookRegistered;
    runningApp = this;
    ruler_->Show();
    watchSessionEnd();
}

void App::watchSessionEnd() {
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::commitDataRequest, app,
                         [this](QSessionManager&) { ruler_->SessionEnding(); });
    }
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    signalNotifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, ruler_->window());
    QObject::connect(signalNotifier_, &QSocketNotifier::activated, signalNotifier_, [this] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
        ruler_->SessionEnding();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

} // namespace shell
