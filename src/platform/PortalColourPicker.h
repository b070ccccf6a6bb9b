#pragma once

#include "DesktopServices.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

namespace platform {

// The desktop's own colour picker through the session bus:
// org.freedesktop.portal.Screenshot.PickColor, answered later by a Response
// signal on the request object that our handle token names.
class PortalColourPicker : public QObject {
    Q_OBJECT
public:
    // `parentWindow` as the portal takes it: "x11:<hex id>", or empty.
    void pick(const QString& parentWindow, std::function<void(PickedColour)> done);

    // The colour of a Response's results; nullopt when it holds none.
    static std::optional<QRgb> colourOf(const QVariantMap& results);

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    void called(QDBusPendingCallWatcher* call);
    void listen(const QString& requestPath);
    void stopListening();
    void finish(PickedColour answer);
    void watchPortalOwner();

    QDBusServiceWatcher* portalOwner_ = nullptr;

    std::function<void(PickedColour)> done_;
    QString requestPath_;
    int tokens_ = 0;
};

} // namespace platform
