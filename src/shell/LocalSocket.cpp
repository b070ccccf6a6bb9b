#include "LocalSocket.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace shell {

namespace {

// Longer lines are not from one of ours.
constexpr qsizetype kMaxLine = 4096;

bool address(const QByteArray& path, sockaddr_un& a) {
    std::memset(&a, 0, sizeof a);
    a.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof a.sun_path) return false;
    std::memcpy(a.sun_path, path.constData(), size_t(path.size()));
    return true;
}

QString failure(const char* what, const QByteArray& path) {
    return QStringLiteral("%1 %2: %3")
        .arg(QLatin1String(what), QFile::decodeName(path), QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

struct LocalServer::Client {
    QByteArray received;
    std::unique_ptr<QSocketNotifier> notifier;
};

LocalServer::LocalServer(LineHandler handler) : handler_(std::move(handler)) {}

LocalServer::~LocalServer() {
    for (auto& [fd, client] : clients_) {
        client->notifier.reset();
        ::close(fd);
    }
    clients_.clear();
    notifier_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(path_.constData());
    }
}

bool LocalServer::listen(const QString& path, QString& error) {
    path_ = QFile::encodeName(path);
    sockaddr_un a;
    if (!address(path_, a)) {
        error = QStringLiteral("socket path too long: %1").arg(path);
        return false;
    }
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        error = failure("cannot make a socket for", path_);
        return false;
    }
    ::unlink(path_.constData()); // left by a process that no longer runs
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::chmod(path_.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd_, 8) != 0) {
        error = failure("cannot listen on", path_);
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { acceptAll(); });
    return true;
}

void LocalServer::acceptAll() {
    int fd;
    while ((fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0) {
        auto client = std::make_unique<Client>();
        client->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(client->notifier.get(), &QSocketNotifier::activated, this,
                [this, fd] { readFrom(fd); });
        clients_[fd] = std::move(client);
        readFrom(fd); // the line may have come with the connection
    }
}

void LocalServer::readFrom(int fd) {
    const auto it = clients_.find(fd);
    if (it == clients_.end()) return;
    QByteArray& received = it->second->received;
    char chunk[512];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
        received.append(chunk, qsizetype(n));
    const qsizetype end = received.indexOf('\n');
    if (end < 0) {
        // Ended, failed or too long without a line: not one of ours.
        const bool waiting = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        if (!waiting || received.size() > kMaxLine) drop(fd);
        return;
    }
    const QByteArray answer = handler_ ? handler_(received.left(end).trimmed()) : QByteArray();
    if (!answer.isEmpty()) {
        const QByteArray out = answer + '\n';
        (void)::send(fd, out.constData(), size_t(out.size()), MSG_NOSIGNAL);
    }
    drop(fd);
}

void LocalServer::drop(int fd) {
    clients_.erase(fd); // its notifier goes first
    ::close(fd);
}

std::optional<QByteArray> AskLocal(const QString& path, const QByteArray& line, int timeoutMs) {
    sockaddr_un a;
    if (!address(QFile::encodeName(path), a)) return std::nullopt;
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return int(std::max<qint64>(1, timeoutMs - clock.elapsed())); };
    // The instance may hold the lock but not listen yet: try until the time is up.
    while (clock.elapsed() < timeoutMs) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return std::nullopt;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(fd);
            QThread::msleep(50);
            continue;
        }
        const QByteArray out = line + '\n';
        QByteArray in;
        if (::send(fd, out.constData(), size_t(out.size()), MSG_NOSIGNAL) == out.size()) {
            pollfd p{fd, POLLIN, 0};
            char chunk[256];
            while (!in.contains('\n') && in.size() <= kMaxLine && ::poll(&p, 1, left()) > 0) {
                const ssize_t n = ::read(fd, chunk, sizeof chunk);
                if (n <= 0) break;
                in.append(chunk, qsizetype(n));
            }
        }
        ::close(fd);
        if (!in.contains('\n')) return std::nullopt;
        return in.left(in.indexOf('\n')).trimmed();
    }
    return std::nullopt;
}

} // namespace shell
