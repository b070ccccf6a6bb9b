#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <functional>

class QScreen;
class QWidget;

namespace platform {

// Decides whether captures of the screen see it, by capturing a shown window
// of ours and comparing with what it drew: an X11 program in a Wayland
// session gets black from the root even over its own windows. Measured when
// the window is exposed and whenever the screens change.
class CaptureProbe : public QObject {
public:
    using Capture = std::function<QImage(const QRect&)>;
    explicit CaptureProbe(Capture capture);

    // Also true when the environment variable QUILLANT_TEST_BLIND_CAPTURE is
    // 1, which end-to-end tests use to take the blind paths on any server.
    bool blind() const { return forced_ || blind_; }
    // Measures against `window` from now on.
    void watch(QWidget* window);

    // Through the root all black, while what we drew there is not.
    static bool looksBlind(const QImage& throughRoot, const QImage& drawn);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void schedule();
    void measure();
    void watchScreen(QScreen* screen);

    Capture capture_;
    QPointer<QWidget> window_;
    QTimer timer_;
    bool forced_ = false;
    bool blind_ = false;
    int blackRuns_ = 0; // black measurements in a row
};

} // namespace platform
