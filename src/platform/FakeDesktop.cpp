#include "FakeDesktop.h"

#include <QPainter>

namespace platform {

std::optional<QString> FakeSettingsStore::read(const QString& key, const QString& name) {
    readLog.push_back(name);
    if (log) log->push_back("read:" + name);
    const auto it = values.constFind(path(key, name));
    if (it == values.constEnd()) return std::nullopt;
    return *it;
}

bool FakeSettingsStore::write(const QString& key, const QString& name, const QString& value) {
    return writeAll(key, {{name, value}});
}

bool FakeSettingsStore::writeAll(const QString& key, const Values& batch) {
    if (!writable) return false;
    ++commits;
    for (const auto& [name, value] : batch) {
        values[path(key, name)] = value;
        writeLog.push_back(name);
        if (log) log->push_back("write:" + name);
    }
    return true;
}

class FakeTrayIcon : public TrayIcon {
public:
    explicit FakeTrayIcon(FakeDesktop& d) : desk(d) {}
    ~FakeTrayIcon() override { remove(); }
    void remove() override {
        if (desk.tray == this) {
            desk.tray = nullptr;
            desk.trayCallback = nullptr;
            desk.log.push_back("TrayRemove");
        }
    }
    FakeDesktop& desk;
};

FakeDesktop::FakeDesktop() {
    store.log = &log;
    screen = QImage(1024, 768, QImage::Format_RGB32);
    screen.fill(QColor(0, 128, 128));
}

FakeDesktop::~FakeDesktop() {
    if (tray) tray->remove();
}

std::vector<QRect> FakeDesktop::screenRects() const {
    std::vector<QRect> r{QRect(primaryOrigin, screen.size())};
    r.insert(r.end(), extraScreens.begin(), extraScreens.end());
    return r;
}

QImage FakeDesktop::captureScreen(const QRect& rect) {
    ++captures;
    lastCapture = rect;
    QImage out(rect.size(), QImage::Format_RGB32);
    out.fill(Qt::black);
    if (blind) return out;
    QPainter p(&out);
    // Each screen's own pixels within its rectangle; the gaps stay black.
    const std::vector<QRect> rects = screenRects();
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const QImage& pixels = i == 0                       ? screen
                               : i - 1 < extraImages.size() ? extraImages[i - 1]
                                                            : QImage();
        const QRect part = rects[i].intersected(rect);
        if (pixels.isNull() || part.isEmpty()) continue;
        p.drawImage(part.topLeft() - rect.topLeft(), pixels, part.translated(-rects[i].topLeft()));
    }
    return out;
}

void FakeDesktop::pickColour(QWidget*, std::function<void(PickedColour)> done) {
    ++picks;
    log.push_back("PickColour");
    pendingPick = std::move(done);
}

void FakeDesktop::answerPick(PickedColour answer) {
    // Taken out first: the answer may start the next pick.
    auto done = std::move(pendingPick);
    pendingPick = nullptr;
    if (done) done(answer);
}

void FakeDesktop::setTopmost(QWidget* window, bool on) {
    topmost[window] = on;
    active = window;
    log.push_back(on ? "TopmostOn" : "TopmostOff");
}

void FakeDesktop::raiseTopmost(QWidget* window) {
    topmost[window] = true;
    ++raises;
}

void FakeDesktop::activate(QWidget* window) {
    active = window;
}

void FakeDesktop::keepOutOfTaskbar(QWidget* window) {
    skipTaskbar.push_back(window);
    log.push_back("SkipTaskbar");
}

bool FakeDesktop::moveFollower(QWidget* window, QPoint topLeft) {
    if (!followerWorks) return false;
    followers.insert(window, topLeft);
    return true;
}

bool FakeDesktop::startSystemMove(QWidget*) {
    ++systemMoves;
    return systemMoveWorks;
}

std::unique_ptr<TrayIcon> FakeDesktop::addTrayIcon(const QIcon& icon, const QString& tip,
                                                   std::function<void(int)> callback) {
    log.push_back("TrayAdd");
    auto t = std::make_unique<FakeTrayIcon>(*this);
    tray = t.get();
    trayIcon = icon;
    trayTip = tip;
    trayCallback = std::move(callback);
    return t;
}

void FakeDesktop::setClipboardText(const QString& text) {
    clipboard = text;
    ++clipboardWrites;
}

void FakeDesktop::watchWheel(QWidget* window, std::function<void(int)> callback) {
    wheelWatchers[window] = std::move(callback);
}

void FakeDesktop::unwatchWheel(QWidget* window) {
    wheelWatchers.remove(window);
}

void FakeDesktop::wheel(int notch) {
    const auto it = wheelWatchers.constFind(active);
    if (it != wheelWatchers.constEnd() && *it) (*it)(notch);
}

void FakeDesktop::screensChanged() {
    if (screensWatcher) screensWatcher();
}

namespace {

using Waiters = std::map<const void*, std::function<void()>>;

// Keeps, replaces or (with an empty function) withdraws `who`'s wait; false
// where the fake is told not to report.
bool wait(Waiters& waiters, bool reported, const void* who, std::function<void()> woken) {
    if (!woken) {
        waiters.erase(who);
        return true;
    }
    if (!reported) return false;
    waiters[who] = std::move(woken);
    return true;
}

// Each waiter once; a waiter may wait again from inside its call.
void wakeAll(Waiters& waiters) {
    Waiters woken = std::move(waiters);
    waiters.clear();
    for (auto& [who, f] : woken)
        f();
}

} // namespace

bool FakeDesktop::wakeAtPointerMotion(const void* who, std::function<void()> moved) {
    return wait(motionWaiters, motionReported, who, std::move(moved));
}

void FakeDesktop::movePointer(QPoint to) {
    cursor = to;
    wakeAll(motionWaiters);
}

bool FakeDesktop::wakeAtScreenChange(const void* who, std::function<void()> changed) {
    return wait(screenWaiters, screenStill, who, std::move(changed));
}

void FakeDesktop::drawOnScreen() {
    screenStill = false;
    wakeAll(screenWaiters);
}

void FakeDesktop::trayMessage(int message) {
    if (trayCallback) trayCallback(message);
}

} // namespace platform
