// A stand-in for the desktop portal on a private session bus, for end-to-end
// tests: org.freedesktop.portal.Screenshot.PickColor answers at once, as if
// the user had clicked a pixel of the colour given on the command line.
//
//   fake_portal '#rrggbb'   answers with that colour
//   fake_portal cancel      answers as if the user cancelled
//
// Prints "ready" once it owns the portal's name.

#include <QColor>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>

#include <cstdio>

class Screenshot : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    explicit Screenshot(QString answer) : answer_(std::move(answer)) {}

public slots:
    QDBusObjectPath PickColor(const QString& parentWindow, const QVariantMap& options) {
        Q_UNUSED(parentWindow);
        QString sender = message().service().mid(1);
        sender.replace('.', '_');
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender +
                             '/' + options.value(QStringLiteral("handle_token")).toString();
        // After the reply, as a real portal answers once the user clicked.
        QTimer::singleShot(50, this, [this, path] { respond(path); });
        return QDBusObjectPath(path);
    }

private:
    void respond(const QString& path) {
        QDBusMessage signal = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        QVariantMap results;
        uint response = 1;
        const QColor c(answer_);
        if (c.isValid()) {
            QDBusArgument colour;
            colour.beginStructure();
            colour << c.redF() << c.greenF() << c.blueF();
            colour.endStructure();
            results.insert(QStringLiteral("color"), QVariant::fromValue(colour));
            response = 0;
        }
        signal << response << results;
        QDBusConnection::sessionBus().send(signal);
    }

    QString answer_;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fake_portal '#rrggbb' | cancel\n");
        return 2;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    Screenshot screenshot(QString::fromLocal8Bit(argv[1]));
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &screenshot,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "fake_portal: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "fake_portal.moc"
