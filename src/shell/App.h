#pragma once

#include "frmRuler.h"

#include <memory>

class QSocketNotifier;

namespace shell {

// The running program: desktop services, shared state and the main window.
// The end of the desktop session (session manager, SIGTERM, SIGHUP, SIGINT)
// stores the settings and ends the program like the close button; a lost
// display stores the pending settings as the process exits.
class App {
public:
    explicit App(platform::DesktopServices& sys);
    ~App();
    frmRuler& ruler() { return *ruler_; }
    // Loads and shows the main window.
    void start();

private:
    void watchSessionEnd();
    Globals globals_;
    std::unique_ptr<frmRuler> ruler_;
    QSocketNotifier* signalNotifier_ = nullptr;
};

} // namespace shell
