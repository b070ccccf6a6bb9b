#include "Harness.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QPixmap>
#include <QProcessEnvironment>
#include <QScreen>
#include <QStyleHints>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#ifndef QUILLANT_BINARY
#error "QUILLANT_BINARY must name the program under test"
#endif

namespace e2e {

bool waitUntil(const std::function<bool()>& done, Millis timeout, Millis poll) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, int(poll.count()));
        QThread::msleep(static_cast<unsigned long>(poll.count()));
    }
}

// ---------------------------------------------------------------- X windows

namespace {

int screenNumber = 0;

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> reply(T* r) {
    return Reply<T>(r, &std::free);
}

QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
    xcb_connection_t* c = connection();
    auto r = reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 1024), nullptr));
    if (!r || r->type == XCB_ATOM_NONE) return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(r.get())),
                      xcb_get_property_value_length(r.get()));
}

std::vector<xcb_window_t> children(xcb_window_t window) {
    xcb_connection_t* c = connection();
    auto r = reply(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!r) return {};
    const xcb_window_t* first = xcb_query_tree_children(r.get());
    return {first, first + xcb_query_tree_children_length(r.get())};
}

// WM_CLASS holds two NUL-terminated strings: instance, then class.
std::optional<std::pair<QString, QString>> wmClass(xcb_window_t window) {
    const QByteArray raw = property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    if (raw.isEmpty()) return std::nullopt;
    const QList<QByteArray> parts = raw.split('\0');
    return std::make_pair(QString::fromLatin1(parts.value(0)), QString::fromLatin1(parts.value(1)));
}

bool viewable(xcb_window_t window) {
    xcb_connection_t* c = connection();
    auto r =
        reply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return r && r->map_state == XCB_MAP_STATE_VIEWABLE;
}

qint64 windowPid(xcb_window_t window) {
    const QByteArray raw = property(window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    if (raw.size() < 4) return 0;
    std::uint32_t pid = 0;
    std::memcpy(&pid, raw.constData(), sizeof pid);
    return pid;
}

QString atomName(xcb_atom_t a) {
    xcb_connection_t* c = connection();
    auto r = reply(xcb_get_atom_name_reply(c, xcb_get_atom_name(c, a), nullptr));
    if (!r) return {};
    return QString::fromLatin1(xcb_get_atom_name_name(r.get()),
                               xcb_get_atom_name_name_length(r.get()));
}

} // namespace

xcb_connection_t* connection() {
    static xcb_connection_t* c = [] {
        xcb_connection_t* conn = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(conn)) qFatal("cannot connect to the X server");
        return conn;
    }();
    return c;
}

xcb_window_t rootWindow() {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection()));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    return it.data->root;
}

xcb_atom_t atom(const char* name) {
    static QHash<QByteArray, xcb_atom_t> cache;
    const QByteArray key(name);
    if (const auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    xcb_connection_t* c = connection();
    auto r = reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(key.size()), name), nullptr));
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    cache.insert(key, a);
    return a;
}

std::optional<QRect> geometry(xcb_window_t window) {
    xcb_connection_t* c = connection();
    auto g = reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    auto t = reply(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, rootWindow(), 0, 0), nullptr));
    if (!g || !t) return std::nullopt;
    // The origin is inside the window's border; the border belongs to the outside.
    const int b = g->border_width;
    return QRect(t->dst_x - b, t->dst_y - b, g->width + 2 * b, g->height + 2 * b);
}

QStringList netWmState(xcb_window_t window) {
    const QByteArray raw = property(window, atom("_NET_WM_STATE"), XCB_ATOM_ATOM);
    QStringList names;
    for (qsizetype i = 0; i + 4 <= raw.size(); i += 4) {
        xcb_atom_t a = 0;
        std::memcpy(&a, raw.constData() + i, sizeof a);
        names << atomName(a);
    }
    return names;
}

xcb_window_t highestTopLevel() {
    const std::vector<xcb_window_t> all = children(rootWindow()); // bottom to top
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (viewable(*it)) return *it;
    return XCB_NONE;
}

std::vector<Window> topLevelWindows(qint64 pid) {
    std::vector<Window> found;
    const auto consider = [&](xcb_window_t w, const std::pair<QString, QString>& cls,
                              bool managed) {
        if (windowPid(w) != pid || !viewable(w)) return;
        const auto rect = geometry(w);
        if (!rect) return;
        found.push_back(Window{w, *rect, cls.first, cls.second, managed});
    };
    // A child of the root with a WM_CLASS is an unmanaged top-level; one
    // without is a manager's frame whose client sits directly inside it.
    // Anything deeper is embedded in another client, like a tray icon.
    for (xcb_window_t child : children(rootWindow())) {
        if (const auto cls = wmClass(child)) {
            consider(child, *cls, false);
            continue;
        }
        for (xcb_window_t client : children(child))
            if (const auto cls = wmClass(client)) consider(client, *cls, true);
    }
    std::sort(found.begin(), found.end(),
              [](const Window& a, const Window& b) { return a.id < b.id; });
    return found;
}

// ---------------------------------------------------------------- screen

QImage grabScreen(const QRect& rect) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    return screen->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QRgb mainColour(const QRect& rect) {
    const QImage img = grabScreen(rect);
    QHash<QRgb, int> count;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            ++count[img.pixel(x, y) | 0xFF000000u];
    QRgb best = 0;
    for (auto it = count.cbegin(); it != count.cend(); ++it)
        if (it.value() > count.value(best)) best = it.key();
    return best;
}

QColor pixelAt(int x, int y) {
    return QColor(grabScreen(QRect(x, y, 1, 1)).pixel(0, 0));
}

void setRootColour(const QColor& colour) {
    EXPECT_EQ(QProcess::execute(QStringLiteral("xsetroot"), {"-solid", colour.name()}), 0);
}

// ---------------------------------------------------------------- input

namespace xdo {

bool run(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral("xdotool"), args);
    const bool ok =
        p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    EXPECT_TRUE(ok) << "xdotool " << args.join(' ').toStdString();
    return ok;
}

// No --sync: xdotool then waits forever when the pointer is already there.
// The server keeps the order of requests, so later clicks land at the new place.
void mouseMove(int x, int y) {
    run({"mousemove", QString::number(x), QString::number(y)});
    EXPECT_TRUE(waitUntil([&] { return QCursor::pos() == QPoint(x, y); }, 2s))
        << "pointer did not reach " << x << "," << y;
}
void mouseDown(int button) {
    run({"mousedown", QString::number(button)});
}
void mouseUp(int button) {
    run({"mouseup", QString::number(button)});
}
void click(int x, int y, int button) {
    run({"mousemove", QString::number(x), QString::number(y), "click", QString::number(button)});
}
void doubleClick(int x, int y, int button) {
    run({"mousemove", QString::number(x), QString::number(y), "click", "--repeat", "2", "--delay",
         "80", QString::number(button)});
}
void waitOutDoubleClickTime() {
    const int ms = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms + 100));
}
void key(const QString& keys) {
    run({"key", keys});
}

} // namespace xdo

// ---------------------------------------------------------------- clipboard

bool setClipboardText(const QString& text, const QString& selection) {
    QProcess p;
    // The forked server keeps its output open; it must not hold our pipes.
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(QStringLiteral("xclip"), {"-selection", selection, "-i"});
    if (!p.waitForStarted(5000)) return false;
    p.write(text.toUtf8());
    p.closeWriteChannel();
    return p.waitForFinished(5000) && p.exitCode() == 0;
}

QString clipboardText(const QString& selection) {
    QProcess p;
    p.start(QStringLiteral("xclip"), {"-selection", selection, "-o"});
    if (!p.waitForFinished(5000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// ---------------------------------------------------------------- the program

// ---------------------------------------------------------------- display

namespace {
void setXftDpi(int dpi) {
    QProcess q;
    q.start("xrdb", {"-merge"});
    q.waitForStarted(3000);
    q.write(QStringLiteral("Xft.dpi: %1\n").arg(dpi).toLatin1());
    q.closeWriteChannel();
    q.waitForFinished(3000);
}
} // namespace

XftDpi::XftDpi(int dpi) {
    setXftDpi(dpi);
}
XftDpi::~XftDpi() {
    setXftDpi(96);
}

// ---------------------------------------------------------------- the program

Program::Program(QString settingsIni) : settings_(std::move(settingsIni)) {
    proc_.setProcessChannelMode(QProcess::MergedChannels);
}

Program::~Program() {
    if (!running()) return;
    proc_.terminate();
    if (!proc_.waitForFinished(3000)) {
        proc_.kill();
        proc_.waitForFinished(3000);
    }
}

QString Program::settingsPath() const {
    return config_.path() + QStringLiteral("/Kalmoro/Quillant.conf");
}

bool Program::start() {
    if (!config_.isValid() || !runtime_.isValid()) return false;
    if (!settings_.isEmpty()) {
        QDir().mkpath(config_.path() + QStringLiteral("/Kalmoro"));
        QFile f(settingsPath());
        if (!f.open(QIODevice::WriteOnly) || f.write(settings_.toUtf8()) < 0) return false;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config_.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path()); // QTemporaryDir: mode 0700
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // Without a session bus the tray icon takes the XEmbed path every time.
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.remove(QStringLiteral("SESSION_MANAGER"));
    for (auto it = env_.cbegin(); it != env_.cend(); ++it)
        env.insert(it.key(), it.value());
    proc_.setProcessEnvironment(env);
    proc_.start(QStringLiteral(QUILLANT_BINARY), {});
    if (!proc_.waitForStarted(5000)) return false;
    pid_ = proc_.processId();
    return true;
}

std::optional<Window> Program::waitForWindow(const std::function<bool(const Window&)>& match,
                                             Millis timeout) const {
    std::optional<Window> found;
    waitUntil(
        [&] {
            for (const Window& w : windows())
                if (!match || match(w)) {
                    found = w;
                    return true;
                }
            return !running();
        },
        timeout);
    return found;
}

bool Program::terminate(Millis timeout) {
    if (running()) proc_.terminate();
    return waitForExit(timeout);
}

bool Program::waitForExit(Millis timeout) {
    return !running() || proc_.waitForFinished(int(timeout.count()));
}

bool Program::exitedCleanly() const {
    return !running() && proc_.exitStatus() == QProcess::NormalExit && proc_.exitCode() == 0;
}

QMap<QString, QString> Program::readSettings() const {
    QMap<QString, QString> entries;
    QFile f(settingsPath());
    if (!f.open(QIODevice::ReadOnly)) return entries;
    bool general = false;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith('[')) {
            general = (line == QLatin1String("[General]"));
        } else if (general && line.contains('=')) {
            const qsizetype eq = line.indexOf('=');
            entries.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
        }
    }
    return entries;
}

QString Program::output() {
    output_ += proc_.readAll();
    return QString::fromLocal8Bit(output_);
}

// ---------------------------------------------------------------- tray

bool trayPresent() {
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber);
    xcb_connection_t* c = connection();
    auto r = reply(xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, atom(name.constData())), nullptr));
    return r && r->owner != XCB_WINDOW_NONE;
}

Tray::Tray() {
    proc_.setStandardOutputFile(QProcess::nullDevice());
    proc_.setStandardErrorFile(QProcess::nullDevice());
    proc_.start(QStringLiteral("trayer"),
                {"--edge", "bottom", "--align", "right", "--widthtype", "request", "--height", "24",
                 "--SetDockType", "true", "--SetPartialStrut", "false"});
    ready_ = proc_.waitForStarted(5000) && waitUntil(trayPresent, 10s);
}

Tray::~Tray() {
    proc_.terminate();
    if (!proc_.waitForFinished(3000)) {
        proc_.kill();
        proc_.waitForFinished(3000);
    }
    // The next test must not see this tray's selection still owned.
    waitUntil([] { return !trayPresent(); }, 3s);
}

// ---------------------------------------------------------------- fixture

void E2ETest::SetUp() {
    if (!QGuiApplication::instance())
        GTEST_SKIP() << "DISPLAY is not set: the end-to-end tests need an X server with a "
                        "window manager (scripts/test.sh starts one)";
    setRootColour(kRootColour);
    xdo::mouseMove(kParkedPointer.x(), kParkedPointer.y());
}

} // namespace e2e
