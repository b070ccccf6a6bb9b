#include "FormsOver.h"
#include "Forms.h"
#include "FormsWidgets.h"

#include <QAbstractEventDispatcher>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace forms::detail {

namespace {
// Pictures of what lies under a control being drawn: the controls painted
// into them are not being shown anew.
int rendering = 0;

// Controls to show at the end of this pass of the event loop, and those of
// the pass being shown now (gone ones are cleared to null).
std::vector<DrawnOver*> due;
std::vector<DrawnOver*> showing;
} // namespace

DrawnOver::DrawnOver(Control& control, Paint paint) : control_(control), paint_(std::move(paint)) {}

DrawnOver::~DrawnOver() {
    std::erase(due, this);
    std::replace(showing.begin(), showing.end(), this, static_cast<DrawnOver*>(nullptr));
    withdraw();
}

void DrawnOver::setOn(bool on) {
    if (on == on_) return;
    on_ = on;
    withdraw();
    over_ = under_ = QImage();
    part_ = QRect();
    // The toolkit has not drawn what was shown meanwhile.
    if (!on && std::exchange(drawn_, false)) control_.widget()->update();
}

bool DrawnOver::show() {
    QWidget* w = control_.widget();
    const QRect part = on_ && w->isVisible() ? uncovered() : QRect();
    if (part.isEmpty()) {
        withdraw();
        return false;
    }
    QWidget* window = w->window();
    const QPoint at = w->mapTo(window, part.topLeft());
    bool fresh = part != part_;
    if (over_.size() != part.size()) {
        fresh = true;
        over_ = QImage(part.size(), QImage::Format_RGB32);
        // Fonts in points come out at the window's size, not at 96 dpi.
        over_.setDotsPerMeterX(qRound(w->logicalDpiX() / 0.0254));
        over_.setDotsPerMeterY(qRound(w->logicalDpiY() / 0.0254));
        under_ = QImage();
    }
    if (transparent_ && (under_.isNull() || underAt_ != at)) {
        renderUnder(at);
        fresh = true;
    }
    QRect changed;
    // A painter costs more than the few columns a read-out changes.
    if (const std::optional<QRect> c =
            fresh || !change_ ? std::nullopt
                              : change_(over_, part.topLeft(), transparent_ ? &under_ : nullptr)) {
        changed = c->translated(-part.topLeft());
    } else {
        // A transparent control is drawn anew over what lies under it.
        if (transparent_) {
            std::memcpy(over_.bits(), under_.constBits(), std::size_t(over_.sizeInBytes()));
            fresh = true;
        }
        QPainter p(&over_);
        p.translate(-part.topLeft());
        changed = paint_(p, fresh).translated(-part.topLeft());
    }
    part_ = part;
    if (fresh) changed = over_.rect();
    if (control_.form().sys().showPictureOver(window, &control_, at, over_, changed)) {
        shown_ = drawn_ = true;
        return true;
    }
    withdraw();
    return false;
}

void DrawnOver::showSoon() {
    if (soon_) return;
    soon_ = true;
    due.push_back(this);
    // Taken when the loop has handled what woke it, or before it sleeps:
    // a posted call would wake it once more for every control.
    static QPointer<QAbstractEventDispatcher> hooked;
    QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance();
    if (!d || d == hooked) return;
    hooked = d;
    QObject::connect(d, &QAbstractEventDispatcher::awake, d, &DrawnOver::showDue);
    QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, d, &DrawnOver::showDue);
}

void DrawnOver::showDue() {
    if (due.empty() || !showing.empty()) return;
    showing.swap(due);
    for (std::size_t i = 0; i < showing.size(); ++i) {
        DrawnOver* d = showing[i];
        if (!d) continue;
        d->soon_ = false;
        if (!d->show()) d->control_.widget()->update();
    }
    showing.clear();
}

void DrawnOver::toolkitPainted() {
    if (!shown_ || rendering > 0) return;
    under_ = QImage();
    showSoon();
}

void DrawnOver::followToolkit(std::function<void(QPainter&)> paint) {
    auto* w = static_cast<ControlWidget*>(control_.widget());
    w->painter = [this, paint = std::move(paint)](QPainter& p) {
        if (blank_) return; // what lies under the control is being drawn
        paint(p);
        toolkitPainted();
    };
    w->hidden = [this] { withdraw(); };
}

QRect DrawnOver::uncovered() const {
    const QWidget* w = control_.widget();
    const QWidget* parent = w->parentWidget();
    QRegion left(w->rect());
    bool above = false; // children are kept in stacking order, lowest first
    for (const QObject* o : parent ? parent->children() : QObjectList()) {
        if (o == w) {
            above = true;
            continue;
        }
        const auto* s = qobject_cast<const QWidget*>(o);
        if (above && s && !s->isWindow() && s->isVisible() &&
            s->geometry().intersects(w->geometry()))
            left -= s->geometry().translated(-w->pos());
    }
    // One picture shows one rectangle.
    return left.rectCount() == 1 ? left.boundingRect() : QRect();
}

void DrawnOver::renderUnder(QPoint at) {
    under_ = QImage(over_.size(), QImage::Format_RGB32);
    under_.setDotsPerMeterX(over_.dotsPerMeterX());
    under_.setDotsPerMeterY(over_.dotsPerMeterY());
    blank_ = true;
    ++rendering;
    control_.widget()->window()->render(&under_, QPoint(), QRegion(QRect(at, under_.size())),
                                        QWidget::DrawWindowBackground | QWidget::DrawChildren);
    blank_ = false;
    --rendering;
    underAt_ = at;
}

void DrawnOver::withdraw() {
    if (!shown_) return;
    shown_ = false;
    control_.form().sys().hidePictureOver(&control_);
}

} // namespace forms::detail
