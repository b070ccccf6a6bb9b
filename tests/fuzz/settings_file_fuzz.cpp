// Settings file bytes -> read, write, read: the written value reads back
// (also through QSettings), every other entry the store could read is
// unchanged or gone, and the file never outgrows what the store reads.
#include "platform/IniSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>

namespace {

// In memory where there is /dev/shm: the store syncs every write to disk.
QString scratchTemplate() {
    return QDir(QStringLiteral("/dev/shm")).exists()
               ? QStringLiteral("/dev/shm/quillant-fuzz-XXXXXX")
               : QDir::tempPath() + QStringLiteral("/quillant-fuzz-XXXXXX");
}

const QString kKey = QStringLiteral("Software\\Kalmoro\\Quillant");

// Names of the first lines that look like entries (each read costs a pass
// over the file); the store decides what counts.
QStringList candidateNames(const QByteArray& bytes) {
    QStringList names;
    for (const QByteArray& line : bytes.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0) names << QString::fromLatin1(line.left(eq).trimmed());
        if (names.size() == 40) break;
    }
    names << "Left"
          << "Installed";
    names.removeDuplicates();
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir(scratchTemplate());
    static int run = 0;
    // A new name each time: QSettings caches what it read per file.
    const QString path = dir.path() + QStringLiteral("/%1.conf").arg(run++);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
    }

    platform::IniSettingsStore store(path);
    std::map<QString, std::optional<QString>> before;
    for (const QString& name : candidateNames(bytes))
        before[name] = store.read(kKey, name);

    const QString value = QString::number(std::int32_t(size * 2654435761u));
    if (!store.writeAll(kKey, {{"Left", value}, {"Top", "-1"}})) std::abort();

    platform::IniSettingsStore again(path);
    if (again.read(kKey, "Left") != value || again.read(kKey, "Top") != "-1") std::abort();
    for (const auto& [name, was] : before) {
        if (name == "Left" || name == "Top") continue;
        const std::optional<QString> now = again.read(kKey, name);
        if (now && now != was) std::abort();
    }
    QFile written(path);
    if (written.size() > platform::IniSettingsStore::kMaxFileBytes) std::abort();
    {
        QSettings qs(path, QSettings::IniFormat);
        if (qs.value("Left").toString() != value || qs.value("Top").toString() != "-1")
            std::abort();
    }
    QFile::remove(path);
    return 0;
}
