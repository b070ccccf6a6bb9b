#include "IniSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <utility>
#include <vector>

namespace platform {

namespace {

// Larger files are not ours; reading them would only cost memory.
constexpr qint64 kMaxFileBytes = 64 * 1024;

using Entries = std::vector<std::pair<QString, QString>>;

bool validName(const QString& name) {
    if (name.isEmpty() || name.size() > 64) return false;
    for (QChar c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != '_') return false;
    return true;
}

// Entries of the [General] section (or of no section) in file order.
Entries readEntries(const QString& path) {
    Entries out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return out;
    if (f.size() > kMaxFileBytes) return out;
    const QByteArray data = f.read(kMaxFileBytes);
    bool general = true;
    for (const QByteArray& rawLine : data.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            general = (line == QLatin1String("[General]"));
            continue;
        }
        if (!general) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0) continue;
        const QString k = line.left(eq).trimmed();
        if (!validName(k)) continue;
        QString v = line.mid(eq + 1).trimmed();
        bool replaced = false;
        for (auto& e : out)
            if (e.first == k) e.second = v, replaced = true;
        if (!replaced) out.emplace_back(k, v);
    }
    return out;
}

} // namespace

QString IniSettingsStore::defaultPath(const QString& organisation, const QString& application) {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + '/' + organisation + '/' + application + ".conf";
}

std::optional<QString> IniSettingsStore::read(const QString& key, const QString& name) {
    (void)key; // one file holds the one key this program uses
    for (const auto& [k, v] : readEntries(path_))
        if (k == name) return v;
    return std::nullopt;
}

bool IniSettingsStore::write(const QString& key, const QString& name, const QString& value) {
    (void)key;
    if (!validName(name)) return false;
    Entries entries = readEntries(path_);
    bool replaced = false;
    for (auto& e : entries)
        if (e.first == name) e.second = value, replaced = true;
    if (!replaced) entries.emplace_back(name, value);

    QByteArray out("[General]\n");
    for (const auto& [k, v] : entries)
        out += (k + '=' + v + '\n').toUtf8();

    if (!QDir().mkpath(QFileInfo(path_).absolutePath())) return false;
    QSaveFile f(path_);
    f.setDirectWriteFallback(false); // never leave a half-written file behind
    if (!f.open(QIODevice::WriteOnly)) return false;
    if (f.write(out) != out.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

} // namespace platform
