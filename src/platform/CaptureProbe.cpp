#include "CaptureProbe.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace platform {

namespace {

// After an expose the window's first paint has to reach the screen, and a
// compositor may show it a frame later: a black answer is only believed when
// it holds three times over about a third of a second.
constexpr int kSettleMs = 50;
constexpr int kConfirmMs = 150;
constexpr int kBlackRunsForBlind = 3;
// A square at the window's centre answers as well as the whole window, and
// keeps the capture's buffers at the size of what the tools read later.
constexpr int kProbeSide = 32;

} // namespace

CaptureProbe::CaptureProbe(Capture capture)
    : capture_(std::move(capture)),
      forced_(qEnvironmentVariableIntValue("QUILLANT_TEST_BLIND_CAPTURE") == 1) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { measure(); });
    if (!qGuiApp) return;
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* s) {
        watchScreen(s);
        schedule();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this] { schedule(); });
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this] { schedule(); });
    for (QScreen* s : QGuiApplication::screens())
        watchScreen(s);
}

void CaptureProbe::watchScreen(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [this] { schedule(); });
}

void CaptureProbe::watch(QWidget* window) {
    if (window_ != window) {
        if (window_ && window_->windowHandle()) window_->windowHandle()->removeEventFilter(this);
        window_ = window;
        window->winId();
        if (QWindow* h = window->windowHandle()) h->installEventFilter(this);
    }
    schedule();
}

bool CaptureProbe::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose) schedule();
    return QObject::eventFilter(watched, event);
}

void CaptureProbe::schedule() {
    blackRuns_ = 0;
    timer_.start(kSettleMs);
}

void CaptureProbe::measure() {
    // A hidden or covered window cannot be measured: the last answer stands
    // until it is exposed again.
    if (!window_ || !window_->isVisible()) return;
    const QWindow* h = window_->windowHandle();
    if (!h || !h->isExposed()) return;
    QRect area(window_->mapToGlobal(QPoint(0, 0)), window_->size());
    const QSize side(std::min(area.width(), kProbeSide), std::min(area.height(), kProbeSide));
    area = QRect(area.center() - QPoint(side.width() / 2, side.height() / 2), side);
    QRect visible;
    for (const QScreen* s : QGuiApplication::screens())
        visible = visible.united(area.intersected(s->geometry()));
    if (visible.isEmpty()) return;
    const QImage throughRoot = capture_(visible);
    const QPoint origin = window_->mapToGlobal(QPoint(0, 0));
    const QImage drawn = window_->grab(visible.translated(-origin)).toImage();
    if (!looksBlind(throughRoot, drawn)) {
        blackRuns_ = 0;
        blind_ = false;
        return;
    }
    if (++blackRuns_ < kBlackRunsForBlind) {
        timer_.start(kConfirmMs);
        return;
    }
    blind_ = true;
}

bool CaptureProbe::looksBlind(const QImage& throughRoot, const QImage& drawn) {
    if (throughRoot.isNull() || drawn.isNull()) return false;
    const auto allBlack = [](const QImage& img) {
        const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < rgb.width(); ++x)
                if ((line[x] & 0xFFFFFF) != 0) return false;
        }
        return true;
    };
    return allBlack(throughRoot) && !allBlack(drawn);
}

} // namespace platform
