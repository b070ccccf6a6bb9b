#pragma once

// End-to-end test helpers: the real program on a real X server with a window
// manager, driven by xdotool and observed through X properties and the
// screen's pixels. scripts/test.sh provides the server (Xvfb with openbox).

#include <QColor>
#include <QImage>
#include <QMap>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// Polls `done` until it holds, running Qt's events in between; false when
// `timeout` passed first.
bool waitUntil(const std::function<bool()>& done, Millis timeout = 5s, Millis poll = 20ms);

// ---------------------------------------------------------------- X windows

// A top-level window as the X server sees it.
struct Window {
    xcb_window_t id = 0;
    QRect geometry; // the window's own outer rectangle in root coordinates
    QString instance;
    QString className;
    bool managed = false; // reparented by the window manager
};

xcb_connection_t* connection();
xcb_window_t rootWindow();
xcb_atom_t atom(const char* name);

// Outer geometry of a window in root coordinates; nullopt once it is gone.
// A frameless window's own rectangle counts, not the manager's frame around it.
std::optional<QRect> geometry(xcb_window_t window);
// Names of the atoms in the window's _NET_WM_STATE.
QStringList netWmState(xcb_window_t window);
// The viewable child of the root stacked above all others.
xcb_window_t highestTopLevel();
// Viewable top-level windows of a process, oldest first. Windows the window
// manager reparented count as top-level, windows embedded elsewhere (a tray
// icon) do not.
std::vector<Window> topLevelWindows(qint64 pid);

// ---------------------------------------------------------------- screen

// The screen's pixels in `rect` (root coordinates), Format_RGB32.
QImage grabScreen(const QRect& rect);
QColor pixelAt(int x, int y);
// The colour most of `rect` shows: a slot's background, whatever its label.
QRgb mainColour(const QRect& rect);
// Fills the root window with one colour, so window edges stand out.
void setRootColour(const QColor& colour);

// ---------------------------------------------------------------- input

// Input through xdotool; each call returns once the server has the events.
namespace xdo {
bool run(const QStringList& args);
void mouseMove(int x, int y);
void mouseDown(int button = 1);
void mouseUp(int button = 1);
void click(int x, int y, int button = 1);
// Two clicks 80 ms apart: well inside any double-click time.
void doubleClick(int x, int y, int button = 1);
// Two clicks on one spot count as a double-click unless the double-click time
// lies between them: call this between clicks meant as single ones.
void waitOutDoubleClickTime();
// Key names as xdotool takes them: "Left", "shift+Right", "alt+F4".
void key(const QString& keys);
} // namespace xdo

// ---------------------------------------------------------------- clipboard

// Through xclip; `selection` is "clipboard" or "primary". xclip serves the
// text in the background until another owner takes the selection.
bool setClipboardText(const QString& text, const QString& selection = QStringLiteral("clipboard"));
QString clipboardText(const QString& selection = QStringLiteral("clipboard"));

// ---------------------------------------------------------------- display

// The display's logical DPI (Xft.dpi) for programs started while it lives;
// 96 again afterwards.
class XftDpi {
public:
    explicit XftDpi(int dpi);
    ~XftDpi();
    XftDpi(const XftDpi&) = delete;
    XftDpi& operator=(const XftDpi&) = delete;
};

// ---------------------------------------------------------------- the program

// One run of the program with private XDG_CONFIG_HOME and XDG_RUNTIME_DIR.
class Program {
public:
    // settingsIni: the settings file's content before the start (INI, with
    // its [General] section); empty means none, i.e. a first start.
    explicit Program(QString settingsIni = {});
    ~Program(); // ends a process still running
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool start();
    // Added to the program's environment at the next start, over the above.
    void setEnv(const QString& name, const QString& value) { env_.insert(name, value); }
    qint64 pid() const { return pid_; }
    bool running() const { return proc_.state() != QProcess::NotRunning; }

    std::vector<Window> windows() const { return topLevelWindows(pid_); }
    // The oldest window that satisfies `match` (any window when empty).
    std::optional<Window> waitForWindow(const std::function<bool(const Window&)>& match = {},
                                        Millis timeout = 10s) const;

    // SIGTERM, as at the end of the desktop session, then waits for the end.
    bool terminate(Millis timeout = 5s);
    bool waitForExit(Millis timeout = 5s);
    // Ended by itself with exit status 0.
    bool exitedCleanly() const;
    int exitCode() const { return proc_.exitCode(); }

    QString settingsPath() const;
    // Entries of the settings file's [General] section; empty without a file.
    QMap<QString, QString> readSettings() const;
    // Everything the program wrote to stdout and stderr, for failure messages.
    QString output();

private:
    QTemporaryDir config_;
    QTemporaryDir runtime_;
    QString settings_;
    QMap<QString, QString> env_;
    QProcess proc_;
    qint64 pid_ = 0;
    QByteArray output_;
};

// A notification area (trayer) for tests that need one; gone when destroyed.
class Tray {
public:
    Tray();
    ~Tray();
    Tray(const Tray&) = delete;
    Tray& operator=(const Tray&) = delete;
    bool ready() const { return ready_; }

private:
    QProcess proc_;
    bool ready_ = false;
};
// Someone owns the system tray selection of screen 0.
bool trayPresent();

// ---------------------------------------------------------------- fixture

// Base of every end-to-end test: a known root colour and the pointer parked
// where it shows and triggers nothing. Skips the test without an X server;
// a derived SetUp returns when IsSkipped().
class E2ETest : public ::testing::Test {
protected:
    static inline const QColor kRootColour{0x3b, 0x6e, 0x8f};
    static constexpr QPoint kParkedPointer{1000, 700};
    void SetUp() override;
};

} // namespace e2e
