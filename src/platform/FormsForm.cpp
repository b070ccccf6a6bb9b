#include "Forms.h"
#include "FormsWidgets.h"

#include <QTimer>

#include <algorithm>

namespace forms {

using detail::ClientWidget;
using detail::FormWindow;

// ---------------------------------------------------------------- timer

Timer::Timer(Form& form, int intervalMs, bool enabled)
    : form_(form), timer_(new QTimer(form.window())), interval_(intervalMs), enabled_(enabled),
      live_(form.sys().timersLive()) {
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] {
        Tick();
        if (timer_->interval() != interval_) sync(); // back from waiting on motions
    });
    form_.timers_.push_back(this);
    sync();
}

Timer::~Timer() {
    // The QTimer is a child of the form's window and goes with it.
    if (restsWithPointer_) withdrawWakers();
    if (holdsHover_) form_.sys().holdHoverForTicks(form_.window(), this, false);
    std::erase(form_.timers_, this);
}

void Timer::setEnabled(bool e) {
    enabled_ = e;
    seen_ = false;
    if (resting_) withdrawWakers();
    resting_ = false;
    sync();
}

void Timer::withdrawWakers() {
    form_.sys().wakeAtPointerMotion(this, {});
    if (restsWithScreen_) form_.sys().wakeAtScreenChange(this, {});
}

void Timer::setRestsWithPointer(bool on) {
    restsWithPointer_ = on;
    seen_ = false;
    Wake();
    sync();
}

void Timer::Tick() {
    sinceTick_.start();
    if (holdsHover_) form_.sys().deliverHover(form_.window());
    if (restsWithPointer_ && rest()) return;
    Fire();
}

void Timer::TickAtMotion() {
    if (!live_ || !enabled_ || interval_ <= 0) return;
    if (sinceTick_.isValid() && sinceTick_.elapsed() < interval_ * 4 / 5) return;
    Tick();
    if (enabled_ && !resting_) timer_->start(interval_ * 3 / 2);
}

void Timer::Changed() {
    seen_ = false;
    Wake();
    // Due at the regular cadence, not after the longer wait that motions
    // bring: the pointer may be gone from where the button went up.
    if (!live_ || !enabled_ || interval_ <= 0 || resting_) return;
    const qint64 since = sinceTick_.isValid() ? sinceTick_.elapsed() : interval_;
    timer_->start(int(std::max<qint64>(0, interval_ - since)));
}

void Timer::Wake() {
    if (!resting_) return;
    resting_ = false;
    seen_ = false;
    withdrawWakers(); // the other one
    sync();
}

Timer::Scene Timer::scene() const {
    const QPoint c = form_.sys().cursorPos();
    const Screen& s = form_.screen();
    return {float(c.x()),  float(c.y()),   form_.Left(),       form_.Top(),
            form_.Width(), form_.Height(), s.TwipsPerPixelX(), s.TwipsPerPixelY()};
}

bool Timer::rest() {
    const Scene now = scene();
    const bool still = seen_ && now == seenScene_;
    seen_ = true;
    seenScene_ = now;
    // The last tick already showed this scene.
    if (!still || !form_.sys().wakeAtPointerMotion(this, [this] { Wake(); })) return false;
    if (restsWithScreen_ && !form_.sys().wakeAtScreenChange(this, [this] { Wake(); })) {
        form_.sys().wakeAtPointerMotion(this, {});
        return false;
    }
    resting_ = true;
    sync();
    return true;
}

void Timer::setInterval(int ms) {
    interval_ = ms;
    sync();
}

void Timer::Fire() {
    if (Timer_) Timer_();
}

void Timer::sync() {
    const bool running = live_ && enabled_ && interval_ > 0;
    if (running && !resting_)
        timer_->start(interval_);
    else
        timer_->stop();
    // Such a timer ticks after every motion: hover motions over its form
    // can wait for its tick instead of waking the program each.
    const bool hold = enabled_ && interval_ > 0 && restsWithPointer_;
    if (hold != holdsHover_) {
        holdsHover_ = hold;
        form_.sys().holdHoverForTicks(form_.window(), this, hold);
    }
}

// ---------------------------------------------------------------- form

Form::Form(platform::DesktopServices& sys, bool frameless)
    : sys_(sys), screen_(sys), clipboard_(sys), frame_(!frameless) {
    auto* w = new FormWindow(*this, Qt::Tool | Qt::FramelessWindowHint);
    window_ = w;
    client_ = new ClientWidget(*this, w);
    client_->setFocusPolicy(Qt::ClickFocus);
}

Form::~Form() {
    delete window_;
}

void Form::applyPosition() {
    // A window stands on whole pixels: Left and Top become the twips of the
    // pixel it takes, so distances from its edge are whole pixels and what
    // is stored of them lies on the pixel grid.
    const float kx = screen_.TwipsPerPixelX(), ky = screen_.TwipsPerPixelY();
    const QPoint px(CInt(left_ / kx), CInt(top_ / ky));
    left_ = float(px.x()) * kx;
    top_ = float(px.y()) * ky;
    if (following_ && px == followedTo_) {
        // Already there: a request would only come back from the window
        // manager.
    } else if (followsPointer_ && window_->isVisible() && sys_.moveFollower(window_, px)) {
        following_ = true;
        followedTo_ = px;
    } else {
        window_->move(px);
    }
    wakeTimers();
}

void Form::endFollowing() {
    if (!following_) return;
    following_ = false;
    sys_.endFollower(window_);
    // Shown again, the window appears where it was last, not where the
    // toolkit last moved it.
    window_->move(CInt(left_ / screen_.TwipsPerPixelX()), CInt(top_ / screen_.TwipsPerPixelY()));
}

void Form::wakeTimers() {
    for (Timer* t : timers_)
        t->Wake();
}

void Form::applySize() {
    const int w = std::max(1, CInt(width_ / screen_.TwipsPerPixelX()));
    const int h = std::max(1, CInt(height_ / screen_.TwipsPerPixelY()));
    window_->resize(w, h);
    const int f = framePx();
    client_->setGeometry(f, f, std::max(0, w - 2 * f), std::max(0, h - 2 * f));
    wakeTimers();
}

void Form::setLeft(float v) {
    left_ = v;
    applyPosition();
}
void Form::setTop(float v) {
    top_ = v;
    applyPosition();
}
void Form::setWidth(float v) {
    if (v == width_) return;
    width_ = v;
    applySize();
    Form_Resize();
}
void Form::setHeight(float v) {
    if (v == height_) return;
    height_ = v;
    applySize();
    Form_Resize();
}
void Form::Move(float l, float t) {
    left_ = l;
    top_ = t;
    applyPosition();
}
void Form::Move(float l, float t, float w, float h) {
    Move(l, t);
    const bool changed = (w != width_ || h != height_);
    width_ = w;
    height_ = h;
    if (changed) {
        applySize();
        Form_Resize();
    }
}

float Form::ScaleWidth() const {
    return float(client_->width()) * screen_.TwipsPerPixelX();
}
float Form::ScaleHeight() const {
    return float(client_->height()) * screen_.TwipsPerPixelY();
}

void Form::windowMovedTo(const QPoint& px) {
    // Our own move or one by the window system or the user: either way the
    // model takes the pixel the window now stands on.
    left_ = float(px.x()) * screen_.TwipsPerPixelX();
    top_ = float(px.y()) * screen_.TwipsPerPixelY();
    wakeTimers();
}

void Form::windowClosedBySystem() {
    Unload(vbFormControlMenu);
}

void Form::setDesignSize(float w, float h) {
    width_ = w;
    height_ = h;
    applySize();
}

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    Form_Load();
}

void Form::Show() {
    Load();
    const bool first = !shownOnce_;
    shownOnce_ = true;
    applyPosition();
    window_->show();
    if (first) Form_Resize();
    sys_.activate(window_);
    Form_Shown();
}

void Form::Hide() {
    endFollowing();
    window_->hide();
}
bool Form::Visible() const {
    return window_->isVisible();
}

void Form::SetFocus() {
    sys_.activate(window_);
}

bool Form::Unload(int mode) {
    int cancel = 0;
    Form_QueryUnload(cancel, mode);
    if (cancel) return false;
    Form_Unload(cancel);
    if (cancel) return false;
    endFollowing();
    window_->hide();
    loaded_ = false;
    if (Unloaded) Unloaded();
    return true;
}

void Form::setBackColor(Colour c) {
    back_ = c;
    window_->update();
    client_->update();
}

void Form::setIcon(const QIcon& icon) {
    icon_ = icon;
    window_->setWindowIcon(icon);
}

} // namespace forms
