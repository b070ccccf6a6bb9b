#include "SingleInstance.h"

#include "LocalSocket.h"
#include "shell/BuildInfo.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>

namespace shell {

namespace {

const QString kService = QStringLiteral(QUILLANT_APP_ID);
const QString kObjectPath = QStringLiteral("/de/kalmoro/Quillant");
const QString kInterface = QStringLiteral("org.freedesktop.Application");
const QString kStartupKey = QStringLiteral("desktop-startup-id");

using Handler = std::function<void(const QString&)>;

// The application interface desktops use to bring a running program forward.
// Open and ActivateAction show the ruler too: the program has no files or
// actions, and a caller that uses them still wants to see it.
class ApplicationObject : public QDBusVirtualObject {
public:
    explicit ApplicationObject(const Handler* handler) : handler_(handler) {}

    QString introspect(const QString& path) const override {
        (void)path;
        return QStringLiteral(R"(<interface name="org.freedesktop.Application">
  <method name="Activate"><arg type="a{sv}" name="platform_data" direction="in"/></method>
  <method name="Open"><arg type="as" name="uris" direction="in"/>
    <arg type="a{sv}" name="platform_data" direction="in"/></method>
  <method name="ActivateAction"><arg type="s" name="action_name" direction="in"/>
    <arg type="av" name="parameter" direction="in"/>
    <arg type="a{sv}" name="platform_data" direction="in"/></method>
</interface>
)");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != kInterface) return false;
        const QString member = message.member();
        if (member != QLatin1String("Activate") && member != QLatin1String("Open") &&
            member != QLatin1String("ActivateAction"))
            return false;
        QString startupId;
        const QVariantList args = message.arguments();
        if (!args.isEmpty()) {
            const QVariant last = args.constLast();
            if (last.canConvert<QVariantMap>())
                startupId = last.toMap().value(kStartupKey).toString();
        }
        connection.send(message.createReply());
        // After the reply, so the caller ends without waiting for the window.
        const Handler* handler = handler_;
        QTimer::singleShot(0, this, [handler, startupId] {
            if (*handler) (*handler)(startupId);
        });
        return true;
    }

private:
    const Handler* handler_;
};

// ":0" -> "0", "localhost:10.0" -> "localhost_10.0": one file name per display.
QString displayKey(const QString& display) {
    QString key = display.startsWith(':') ? display.mid(1) : display;
    if (key.isEmpty()) key = QStringLiteral("none");
    for (QChar& c : key)
        if (!c.isLetterOrNumber() && c != '.' && c != '-') c = '_';
    return key;
}

} // namespace

struct SingleInstance::Private {
    QString display;
    Options options;
    Handler handler;
    QString error;
    QString channel;
    bool askRunning = true;

    std::unique_ptr<ApplicationObject> busObject;
    bool ownsName = false;

    std::unique_ptr<QLockFile> lock;
    std::unique_ptr<LocalServer> server;

    Outcome claimOnBus(QDBusConnection& bus, const QString& startupId);
    Outcome claimWithSocket(const QString& startupId);
    QByteArray answer(const QByteArray& line);
};

SingleInstance::SingleInstance(QString display) : SingleInstance(std::move(display), Options()) {}

SingleInstance::SingleInstance(QString display, Options options) : d(std::make_unique<Private>()) {
    d->display = std::move(display);
    d->options = std::move(options);
}

SingleInstance::~SingleInstance() {
    if (d->ownsName) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.interface()->unregisterService(kService);
        bus.unregisterObject(kObjectPath);
    }
    d->server.reset(); // removes the socket file
}

void SingleInstance::setActivateHandler(std::function<void(const QString&)> handler) {
    d->handler = std::move(handler);
}

QString SingleInstance::error() const {
    return d->error;
}

QString SingleInstance::channel() const {
    return d->channel;
}

SingleInstance::Outcome SingleInstance::claim(const QString& startupId, bool askRunning) {
    d->askRunning = askRunning;
    if (d->options.useBus) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            d->channel = QStringLiteral("bus");
            return d->claimOnBus(bus, startupId);
        }
    }
    d->channel = QStringLiteral("socket");
    return d->claimWithSocket(startupId);
}

SingleInstance::Outcome SingleInstance::Private::claimOnBus(QDBusConnection& bus,
                                                            const QString& startupId) {
    // The object goes up before the name, so whoever sees the name finds it.
    busObject = std::make_unique<ApplicationObject>(&handler);
    bus.registerVirtualObject(kObjectPath, busObject.get());
    QElapsedTimer clock;
    clock.start();
    do {
        const auto reply =
            bus.interface()->registerService(kService, QDBusConnectionInterface::DontQueueService,
                                             QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
            ownsName = true;
            return Outcome::Primary;
        }
        if (!askRunning) {
            bus.unregisterObject(kObjectPath);
            error = QStringLiteral("Quillant is running");
            return Outcome::Failed;
        }
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kObjectPath, kInterface, "Activate");
        QVariantMap platformData;
        if (!startupId.isEmpty()) platformData.insert(kStartupKey, startupId);
        call << platformData;
        const QDBusMessage answer =
            bus.call(call, QDBus::Block, int(options.answerTimeout.count()));
        if (answer.type() == QDBusMessage::ReplyMessage) {
            bus.unregisterObject(kObjectPath);
            return Outcome::Activated;
        }
        error = answer.errorMessage();
        // The owner may just have ended: try for the name once more.
    } while (clock.elapsed() < options.answerTimeout.count());
    bus.unregisterObject(kObjectPath);
    error = QStringLiteral("the running instance on the session bus does not answer: ") + error;
    return Outcome::Failed;
}

SingleInstance::Outcome SingleInstance::Private::claimWithSocket(const QString& startupId) {
    QString dir = options.runtimeDir;
    if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath() + QStringLiteral("/quillant-%1").arg(::getuid());
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString base = dir + '/' + kService + '-' + displayKey(display);
    const QString socketPath = base + QStringLiteral(".socket");

    lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    lock->setStaleLockTime(0); // stale only when its process is gone
    if (lock->tryLock(0)) {
        // Whatever socket is there was left by a process that no longer runs.
        server =
            std::make_unique<LocalServer>([this](const QByteArray& line) { return answer(line); });
        if (!server->listen(socketPath, error)) server.reset();
        return Outcome::Primary;
    }
    if (lock->error() != QLockFile::LockFailedError) {
        // No place for a lock: run unguarded rather than not at all.
        error = QStringLiteral("cannot create the lock %1").arg(lock->fileName());
        lock.reset();
        return Outcome::Primary;
    }
    lock.reset();
    if (!askRunning) {
        error = QStringLiteral("Quillant is running");
        return Outcome::Failed;
    }
    // One line each way: "activate <startup id>" and "ok".
    const std::optional<QByteArray> reply =
        AskLocal(socketPath, "activate " + startupId.toUtf8(), int(options.answerTimeout.count()));
    if (reply == QByteArray("ok")) return Outcome::Activated;
    error = QStringLiteral("the running instance does not answer on %1").arg(socketPath);
    return Outcome::Failed;
}

QByteArray SingleInstance::Private::answer(const QByteArray& line) {
    if (!line.startsWith("activate")) return {};
    const QString startupId = QString::fromUtf8(line.mid(8).trimmed());
    // After the answer is out, so the asking start ends at once.
    QTimer::singleShot(0, server.get(), [this, startupId] {
        if (handler) handler(startupId);
    });
    return "ok";
}

} // namespace shell
