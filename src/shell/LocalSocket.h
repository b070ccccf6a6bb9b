#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace shell {

// A Unix-domain socket, readable by its owner only, that answers each
// connection's first line with one line. Plain sockets rather than a
// network library: the program needs only this, and loading one costs a
// megabyte of resident memory for the whole run.
class LocalServer : public QObject {
public:
    // Called with each line received (without its newline); what it returns
    // is sent back with a newline. An empty answer closes the connection.
    using LineHandler = std::function<QByteArray(const QByteArray& line)>;

    explicit LocalServer(LineHandler handler);
    ~LocalServer() override; // closes every connection and removes the socket file

    // Listens at `path`, replacing whatever file is there; false with `error` set.
    bool listen(const QString& path, QString& error);

private:
    struct Client;
    void acceptAll();
    void readFrom(int fd);
    void drop(int fd);

    LineHandler handler_;
    int fd_ = -1;
    QByteArray path_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::map<int, std::unique_ptr<Client>> clients_;
};

// Connects to the server at `path`, sends `line` and waits for one line back,
// all within `timeoutMs`, connecting again while nobody listens yet. Nothing
// when no answer came.
std::optional<QByteArray> AskLocal(const QString& path, const QByteArray& line, int timeoutMs);

} // namespace shell
