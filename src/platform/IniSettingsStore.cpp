#include "IniSettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QUtf8StringView>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

struct Entry {
    QByteArray name;
    QByteArray value;
};

// Entries of the [General] section (or of no section): one per name, in the
// order names first appear, the last value winning.
struct Entries {
    std::vector<Entry> list;
    QHash<QByteArray, std::size_t> index;

    void set(const QByteArray& name, const QByteArray& value) {
        const auto it = index.constFind(name);
        if (it != index.constEnd()) {
            list[*it].value = value;
            return;
        }
        index.insert(name, list.size());
        list.push_back({name, value});
    }
    const Entry* find(const QByteArray& name) const {
        const auto it = index.constFind(name);
        return it == index.constEnd() ? nullptr : &list[*it];
    }
};

bool validName(QByteArrayView name) {
    if (name.isEmpty() || name.size() > 64) return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '_'))
            return false;
    return true;
}

bool asciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

QByteArrayView trimmed(QByteArrayView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && asciiSpace(s[b]))
        ++b;
    while (e > b && asciiSpace(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

// True when QSettings reads `value` as the rest of this one line: valid
// UTF-8, no control characters, no backslash that would join the next line
// and no quote left open (QSettings reads on past the line end inside one).
bool safeValue(QByteArrayView value) {
    if (!QUtf8StringView(value.data(), value.size()).isValidUtf8()) return false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c < 0x20 || c == 0x7f) return false;
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == '\\') {
            if (++i == value.size()) return false;
            const auto next = static_cast<unsigned char>(value[i]);
            if (next < 0x20 || next == 0x7f) return false;
        }
    }
    return !inQuotes;
}

// One pass over the bytes: linear in the file's size.
Entries parse(const QByteArray& data) {
    Entries out;
    bool general = true;
    qsizetype from = 0;
    while (from < data.size()) {
        qsizetype to = data.indexOf('\n', from);
        if (to < 0) to = data.size();
        const QByteArrayView line = trimmed(QByteArrayView(data).sliced(from, to - from));
        from = to + 1;
        if (line.isEmpty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            general = (line == "[General]");
            continue;
        }
        if (!general) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0) continue;
        const QByteArrayView name = trimmed(line.first(eq));
        if (!validName(name)) continue;
        out.set(name.toByteArray(), trimmed(line.sliced(eq + 1)).toByteArray());
    }
    return out;
}

QByteArray encodePath(const QString& path) {
    return QFile::encodeName(path);
}

bool isSymlink(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Where a write goes: through a symbolic link to a regular file to that file;
// anything else at the path (a dangling link, a FIFO, a device link) is
// replaced by the renamed file, or the rename fails.
QByteArray writeTarget(const QByteArray& path) {
    struct stat st {};
    if (!isSymlink(path) || ::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return path;
    char* resolved = ::realpath(path.constData(), nullptr);
    if (!resolved) return path;
    QByteArray target(resolved);
    std::free(resolved);
    return target;
}

bool writeFully(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

} // namespace

QString IniSettingsStore::defaultPath(const QString& organisation, const QString& application) {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + '/' + organisation + '/' + application + ".conf";
}

void IniSettingsStore::report(bool& reported, const char* what, const QString& reason) {
    if (reported) return;
    reported = true;
    std::fprintf(stderr, "quillant: cannot %s the settings file %s: %s\n", what,
                 encodePath(path_).constData(), reason.toLocal8Bit().constData());
}

// The file's bytes; empty when there is none or it is not a file of ours.
// Never blocks: a FIFO or device is turned away before and after opening.
QByteArray IniSettingsStore::load() {
    const QByteArray path = encodePath(path_);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        if (errno != ENOENT || isSymlink(path))
            report(readReported_, "read",
                   errno == ENOENT ? QStringLiteral("dangling symbolic link")
                                   : QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        report(readReported_, "read", QStringLiteral("not a regular file"));
        return {};
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        report(readReported_, "read", QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    QByteArray data;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        report(readReported_, "read", QStringLiteral("not a regular file"));
    } else {
        // One byte beyond the limit tells an oversized file, also one that grows.
        data.resize(kMaxFileBytes + 1);
        qsizetype got = 0;
        while (got < data.size()) {
            const ssize_t n = ::read(fd, data.data() + got, std::size_t(data.size() - got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n < 0) {
                    report(readReported_, "read", QString::fromLocal8Bit(std::strerror(errno)));
                    got = 0;
                }
                break;
            }
            got += n;
        }
        data.truncate(got);
        if (data.size() > kMaxFileBytes) {
            report(readReported_, "read", QStringLiteral("larger than 64 KiB"));
            data.clear();
        }
    }
    ::close(fd);
    return data;
}

std::optional<QString> IniSettingsStore::read(const QString& key, const QString& name) {
    (void)key; // one file holds the one key this program uses
    const QByteArray n = name.toUtf8();
    used_.insert(n);
    const Entries entries = parse(load());
    if (const Entry* e = entries.find(n)) return QString::fromUtf8(e->value);
    return std::nullopt;
}

bool IniSettingsStore::write(const QString& key, const QString& name, const QString& value) {
    return writeAll(key, {{name, value}});
}

bool IniSettingsStore::writeAll(const QString& key, const Values& values) {
    (void)key;
    Entries entries = parse(load());
    QSet<QByteArray> batch;
    for (const auto& [name, value] : values) {
        const QByteArray n = name.toUtf8(), v = value.toUtf8();
        if (!validName(n) || !safeValue(v) || v != trimmed(v)) return false;
        batch.insert(n);
        used_.insert(n);
        entries.set(n, v);
    }

    // Foreign entries that QSettings would read differently are dropped. When
    // the file would outgrow the limit, entries nobody asked for go first,
    // then the program's other ones, each from the end of the file.
    std::vector<char> keep(entries.list.size(), 1);
    qsizetype size = qsizetype(sizeof "[General]\n") - 1;
    for (std::size_t i = 0; i < entries.list.size(); ++i) {
        const Entry& e = entries.list[i];
        if (!batch.contains(e.name) && !safeValue(e.value))
            keep[i] = 0;
        else
            size += e.name.size() + 1 + e.value.size() + 1;
    }
    for (int pass = 0; pass < 2 && size > kMaxFileBytes; ++pass)
        for (std::size_t i = entries.list.size(); i-- > 0 && size > kMaxFileBytes;) {
            const Entry& e = entries.list[i];
            if (!keep[i] || batch.contains(e.name) || (pass == 0 && used_.contains(e.name)))
                continue;
            keep[i] = 0;
            size -= e.name.size() + 1 + e.value.size() + 1;
        }

    QByteArray out;
    out.reserve(size);
    out += "[General]\n";
    for (std::size_t i = 0; i < entries.list.size(); ++i)
        if (keep[i]) out += entries.list[i].name + '=' + entries.list[i].value + '\n';

    const QByteArray target = writeTarget(encodePath(path_));
    const QString dir = QFileInfo(QFile::decodeName(target)).absolutePath();
    if (!QDir().mkpath(dir)) {
        report(writeReported_, "write", QStringLiteral("cannot create its folder"));
        return false;
    }
    struct stat st {};
    const mode_t mode =
        ::stat(target.constData(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_mode & 07777 : 0600;
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        report(writeReported_, "write", QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    bool ok = ::fchmod(fd, mode) == 0 && writeFully(fd, out) && ::fdatasync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) ok = false, error = errno;
    if (ok && ::rename(temp.constData(), target.constData()) != 0) ok = false, error = errno;
    if (!ok) {
        ::unlink(temp.constData());
        report(writeReported_, "write", QString::fromLocal8Bit(std::strerror(error)));
    }
    return ok;
}

} // namespace platform
