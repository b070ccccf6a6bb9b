#include "PortalColourPicker.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kResponse = QStringLiteral("Response");

// The errors that mean there is no portal, or one without a colour picker.
bool meansUnavailable(QDBusError::ErrorType e) {
    switch (e) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownObject:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
    case QDBusError::Disconnected:
        return true;
    default:
        return false;
    }
}

int channel(double v) {
    if (!std::isfinite(v)) return 0;
    return int(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

} // namespace

void PortalColourPicker::pick(const QString& parentWindow, std::function<void(PickedColour)> done) {
    if (done_) {
        // One picker at a time; the one open answers first.
        done({PickedColour::Failed, 0});
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        done({PickedColour::Unavailable, 0});
        return;
    }
    done_ = std::move(done);
    watchPortalOwner();

    // The request object's path is known before the call, so the answer
    // cannot arrive before we listen for it.
    const QString token = QStringLiteral("quillant%1").arg(++tokens_);
    QString sender = bus.baseService().mid(1);
    sender.replace('.', '_');
    listen(kPath + QStringLiteral("/request/") + sender + '/' + token);

    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kScreenshot, QStringLiteral("PickColor"));
    call << parentWindow << QVariantMap{{QStringLiteral("handle_token"), token}};
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* w) { called(w); });
}

void PortalColourPicker::called(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (reply.isError()) {
        finish({meansUnavailable(reply.error().type()) ? PickedColour::Unavailable
                                                       : PickedColour::Failed,
                0});
        return;
    }
    // Older portals choose the request path themselves.
    const QString path = reply.value().path();
    if (done_ && path != requestPath_) listen(path);
}

void PortalColourPicker::watchPortalOwner() {
    // A portal that goes away while its picker is open never answers.
    if (portalOwner_) return;
    portalOwner_ = new QDBusServiceWatcher(kService, QDBusConnection::sessionBus(),
                                           QDBusServiceWatcher::WatchForUnregistration, this);
    connect(portalOwner_, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        finish({PickedColour::Failed, 0});
    });
}

void PortalColourPicker::listen(const QString& requestPath) {
    stopListening();
    requestPath_ = requestPath;
    QDBusConnection::sessionBus().connect(kService, requestPath_, kRequest, kResponse, this,
                                          SLOT(onResponse(uint, QVariantMap)));
}

void PortalColourPicker::stopListening() {
    if (requestPath_.isEmpty()) return;
    QDBusConnection::sessionBus().disconnect(kService, requestPath_, kRequest, kResponse, this,
                                             SLOT(onResponse(uint, QVariantMap)));
    requestPath_.clear();
}

void PortalColourPicker::onResponse(uint response, const QVariantMap& results) {
    if (!done_) return;
    if (response == 1) {
        finish({PickedColour::Cancelled, 0});
        return;
    }
    const std::optional<QRgb> colour = response == 0 ? colourOf(results) : std::nullopt;
    finish(colour ? PickedColour{PickedColour::Picked, *colour}
                  : PickedColour{PickedColour::Failed, 0});
}

std::optional<QRgb> PortalColourPicker::colourOf(const QVariantMap& results) {
    const QVariant v = results.value(QStringLiteral("color"));
    if (!v.canConvert<QDBusArgument>()) return std::nullopt;
    const QDBusArgument arg = v.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("(ddd)")) return std::nullopt;
    double r = 0, g = 0, b = 0;
    arg.beginStructure();
    arg >> r >> g >> b;
    arg.endStructure();
    return qRgb(channel(r), channel(g), channel(b));
}

void PortalColourPicker::finish(PickedColour answer) {
    stopListening();
    auto done = std::move(done_);
    done_ = nullptr;
    if (done) done(answer);
}

} // namespace platform
