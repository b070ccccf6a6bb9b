// Settings file -> LoadSettings on the fake desktop: a visible window of
// positive size on some screen with exactly one grip, and saving then
// loading again gives the same geometry.
#include "platform/FakeDesktop.h"
#include "platform/IniSettingsStore.h"
#include "platform/X11Desktop.h"
#include "shell/frmRuler.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// In memory where there is /dev/shm: the store syncs every write to disk.
QString scratchTemplate() {
    return QDir(QStringLiteral("/dev/shm")).exists()
               ? QStringLiteral("/dev/shm/quillant-fuzz-XXXXXX")
               : QDir::tempPath() + QStringLiteral("/quillant-fuzz-XXXXXX");
}

// The fake desktop with the real file store.
class FileDesktop : public platform::FakeDesktop {
public:
    explicit FileDesktop(const QString& path) : file(path) {}
    platform::SettingsStore& settings() override { return file; }
    platform::IniSettingsStore file;
};

QRect load(FileDesktop& desk) {
    shell::Globals globals;
    shell::frmRuler frm(desk, globals);
    frm.Show();
    const QRect g = frm.window()->geometry();
    bool onScreen = false;
    for (const QRect& s : desk.screenRects())
        onScreen = onScreen || s.intersects(g);
    if (!frm.Visible() || g.width() <= 0 || g.height() <= 0 || !onScreen) std::abort();
    if (frm.picResizeH.Visible() == frm.picResizeV.Visible()) std::abort();
    frm.SaveSettings();
    return g;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::disableDevicePixelScaling();
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir(scratchTemplate());
    const QString path = dir.path() + QStringLiteral("/Quillant.conf");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    FileDesktop desk(path);
    const QRect first = load(desk);
    if (load(desk) != first) std::abort();
    return 0;
}
