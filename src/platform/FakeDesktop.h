#pragma once

#include "DesktopServices.h"

#include <QHash>
#include <QMap>

#include <map>
#include <set>
#include <vector>

namespace platform {

// In-memory settings store; `writable` false models a store that refuses writes.
class FakeSettingsStore : public SettingsStore {
public:
    std::optional<QString> read(const QString& key, const QString& name) override;
    bool write(const QString& key, const QString& name, const QString& value) override;
    bool writeAll(const QString& key, const Values& batch) override;
    QMap<QString, QString> values;       // "key\\name" -> text
    int commits = 0;                     // successful write and writeAll calls
    std::vector<QString> writeLog;       // names in the order written
    std::vector<QString> readLog;        // names in the order read
    std::vector<QString>* log = nullptr; // shared call log: "read:Name", "write:Name"
    bool writable = true;
    static QString path(const QString& key, const QString& name) { return key + "\\" + name; }
};

class FakeTrayIcon;

// Scriptable desktop for headless tests: the test sets the cursor, the screen
// image, DPI and the clipboard, and reads back what the program did.
class FakeDesktop : public DesktopServices {
public:
    FakeDesktop();
    ~FakeDesktop() override;

    double logicalDpiX() const override { return dpiX; }
    double logicalDpiY() const override { return dpiY; }
    QSize screenSize() const override { return screen.size(); }
    std::vector<QRect> screenRects() const override;
    void watchScreens(std::function<void()> changed) override {
        screensWatcher = std::move(changed);
    }
    QPoint cursorPos() const override { return cursor; }
    bool wakeAtPointerMotion(const void* who, std::function<void()> moved) override;
    void holdHoverForTicks(QWidget* window, const void* who, bool on) override {
        if (on)
            hoverHolds[window].insert(who);
        else if (hoverHolds[window].erase(who) && hoverHolds[window].empty())
            hoverHolds.erase(window);
    }
    void deliverHover(QWidget* window) override { hoverDeliveries += hoverHolds.count(window); }
    bool wakeAtScreenChange(const void* who, std::function<void()> changed) override;
    QImage captureScreen(const QRect& rect) override;
    bool screenUnchanged(const QRect& rect) const override {
        return screenStill && rect == lastCapture;
    }
    bool captureBlind() const override { return blind; }
    void checkCapture(QWidget*) override { ++captureChecks; }
    void pickColour(QWidget* parent, std::function<void(PickedColour)> done) override;
    void setTopmost(QWidget* window, bool on) override;
    void raiseTopmost(QWidget* window) override;
    void activate(QWidget* window) override;
    void keepOutOfTaskbar(QWidget* window) override;
    bool startSystemMove(QWidget* window) override;
    bool moveFollower(QWidget* window, QPoint topLeft) override;
    void endFollower(QWidget* window) override { followers.remove(window); }
    bool showPictureOver(QWidget*, const void* who, QPoint at, const QImage& picture,
                         const QRect&) override {
        if (!pictureOverWorks) return false;
        picturesOver.insert(who, {at, picture.copy()});
        return true;
    }
    void hidePictureOver(const void* who) override { picturesOver.remove(who); }
    std::unique_ptr<TrayIcon> addTrayIcon(const QIcon& icon, const QString& tip,
                                          std::function<void(int)> callback) override;
    bool trayAvailable() const override { return trayPresent; }
    QString clipboardText() override { return clipboard; }
    void setClipboardText(const QString& text) override;
    SettingsStore& settings() override { return store; }
    void watchWheel(QWidget* window, std::function<void(int)> callback) override;
    void unwatchWheel(QWidget* window) override;
    bool timersLive() const override { return false; }
    void endProgram() override {
        ++endCalls;
        log.push_back("End");
    }

    // Sends a wheel notch to the watcher of the active window, if any.
    void wheel(int notch);
    // Answers the pending pick of the desktop's colour picker, if any.
    void answerPick(PickedColour answer);
    // Reports a tray mouse message to the registered icon, if any.
    void trayMessage(int message);
    // Reports a changed screen layout to the watcher, if any.
    void screensChanged();
    // Moves the pointer and wakes whoever waits for a motion.
    void movePointer(QPoint to);
    // Something is drawn on the screen: screenStill ends, waiters wake.
    void drawOnScreen();

    double dpiX = 96, dpiY = 96;
    QImage screen;                   // the primary screen's pixels
    QPoint primaryOrigin{0, 0};      // where the primary screen lies
    std::vector<QRect> extraScreens; // besides the primary one
    std::vector<QImage> extraImages; // their pixels, by index; black where missing
    std::function<void()> screensWatcher;
    QPoint cursor{0, 0};
    bool motionReported = false; // whether waiting for a pointer motion works
    std::map<const void*, std::function<void()>> motionWaiters;
    std::map<QWidget*, std::set<const void*>> hoverHolds; // windows whose hover waits for ticks
    int hoverDeliveries = 0;
    QString clipboard;
    int clipboardWrites = 0;
    FakeSettingsStore store;
    bool trayPresent = true;
    bool systemMoveWorks = false;
    int systemMoves = 0;
    bool followerWorks = false;
    QHash<QWidget*, QPoint> followers; // quietly moved windows: the toolkit has not heard
    bool pictureOverWorks = false;
    QHash<const void*, std::pair<QPoint, QImage>> picturesOver; // shown over windows
    int endCalls = 0;
    int captures = 0;
    QRect lastCapture;
    bool screenStill = false; // nothing drawn since the last capture
    std::map<const void*, std::function<void()>> screenWaiters; // only while screenStill
    // Blind capture: every capture is black, as on a Wayland desktop's X server.
    bool blind = false;
    int captureChecks = 0;
    int picks = 0;                                 // pickColour calls
    std::function<void(PickedColour)> pendingPick; // until answerPick
    QHash<QWidget*, bool> topmost;
    int raises = 0; // raiseTopmost calls; not logged, a window may raise every tick
    QWidget* active = nullptr;
    std::vector<QWidget*> skipTaskbar;
    // Registered icon, or nullptr when none (or removed).
    FakeTrayIcon* tray = nullptr;
    QIcon trayIcon;
    QString trayTip;
    std::function<void(int)> trayCallback;
    QHash<QWidget*, std::function<void(int)>> wheelWatchers;
    // Names of the service calls in the order they happened.
    std::vector<QString> log;
};

} // namespace platform
