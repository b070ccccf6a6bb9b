#pragma once

// Top-level windows and their timers.

#include "FormsControls.h"

#include <QElapsedTimer>

#include <array>
#include <vector>

class QTimer;

namespace forms {

// Timer: raises its Timer handler every Interval milliseconds while enabled.
class Timer {
public:
    Timer(Form& form, int intervalMs, bool enabled);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    bool Enabled() const { return enabled_; }
    void setEnabled(bool e);
    int Interval() const { return interval_; }
    void setInterval(int ms);
    // Raises the handler now; headless tests drive timers through this.
    void Fire();
    Handler Timer_;

    // For a timer that only shows where the pointer is against its form:
    // after a tick in which neither moved, it rests until the desktop reports
    // the next pointer motion or the form moves or resizes, rather than wake
    // the processor to find nothing new. Where the desktop reports no motion
    // it keeps ticking.
    void setRestsWithPointer(bool on);
    // For such a timer that also shows the screen: it rests only while the
    // desktop can report drawing in what it showed, and wakes at that too.
    void setRestsWithScreen(bool on) { restsWithScreen_ = on; }
    bool Resting() const { return resting_; }
    // One tick of the running timer; headless tests call it for the clock.
    void Tick();
    // The form moved: a resting timer ticks again.
    void Wake();
    // Something changed that neither the pointer nor the form shows (a wheel
    // notch, a released button): the next tick runs, even over a still scene,
    // one interval after the last at the latest.
    void Changed();
    // For a handler that also follows the pointer over its form: ticks now
    // when at least four fifths of the interval passed since the last tick.
    // A tick at each motion then takes the wake-up that the motion already
    // cost, and while motions keep coming the clock waits half an interval
    // longer, so it does not wake the processor a moment before each one.
    void TickAtMotion();

private:
    // Where the pointer and the form stood at a tick.
    using Scene = std::array<float, 8>;
    Scene scene() const;
    bool rest();
    void withdrawWakers();
    void sync();
    Form& form_;
    QTimer* timer_;
    int interval_;
    bool enabled_;
    bool live_;
    bool restsWithPointer_ = false;
    bool restsWithScreen_ = false;
    bool resting_ = false;
    bool holdsHover_ = false;
    bool seen_ = false;
    Scene seenScene_{};
    QElapsedTimer sinceTick_;
};

// Top-level window. Left/Top/Width/Height are the outer geometry in twips and
// this model is authoritative: setting a size raises Form_Resize at once.
class Form : public Container {
public:
    Form(platform::DesktopServices& sys, bool frameless);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    platform::DesktopServices& sys() const { return sys_; }
    Screen& screen() { return screen_; }
    const Screen& screen() const { return screen_; }
    Clipboard& clipboard() { return clipboard_; }

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void setLeft(float v);
    void setTop(float v);
    void setWidth(float v);
    void setHeight(float v);
    void Move(float left, float top);
    void Move(float left, float top, float width, float height);
    float ScaleWidth() const; // client area in the form's scale unit
    float ScaleHeight() const;

    // Runs Form_Load once.
    void Load();
    bool Loaded() const { return loaded_; }
    // Loads if needed, shows modeless and activates.
    void Show();
    void Hide();
    bool Visible() const;
    void SetFocus();
    // Raises Form_QueryUnload and, unless cancelled, Form_Unload; true when
    // the form was unloaded.
    bool Unload(int mode = vbFormCode);
    // Called at the end of an unload, for the form's owner to let it go.
    Handler Unloaded;

    Colour BackColor() const { return back_; }
    void setBackColor(Colour c);
    void setIcon(const QIcon& icon);
    QIcon Icon() const { return icon_; }

    QWidget* window() const { return window_; }
    QWidget* client() const { return client_; }
    // Frame width in pixels on every side.
    int framePx() const { return frame_ ? 1 : 0; }

    // Container: the form's children are in twips of the client area.
    QWidget* childHost() const override { return client_; }
    float childUnitPerPixelX() const override { return screen_.TwipsPerPixelX(); }
    float childUnitPerPixelY() const override { return screen_.TwipsPerPixelY(); }
    Form& ownerForm() const override { return const_cast<Form&>(*this); }

    // Events of the form's own surface.
    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_QueryUnload(int& cancel, int unloadMode) {
        (void)cancel;
        (void)unloadMode;
    }
    virtual void Form_Unload(int& cancel) { (void)cancel; }
    virtual void Form_MouseDown(int button, int shift, float x, float y) {
        (void)button, (void)shift, (void)x, (void)y;
    }
    virtual void Form_MouseUp(int button, int shift, float x, float y) {
        (void)button, (void)shift, (void)x, (void)y;
    }
    virtual void Form_MouseMove(int button, int shift, float x, float y) {
        (void)button, (void)shift, (void)x, (void)y;
    }
    virtual void Form_Click() {}
    virtual void Form_DblClick() {}
    virtual void Form_KeyDown(int keyCode, int shift) { (void)keyCode, (void)shift; }
    // The window became visible (after the first Form_Resize on first show).
    virtual void Form_Shown() {}

    // Screen pixel of the mouse event being handled (the press, move or
    // release itself, not where the pointer is by now).
    QPoint MouseEventScreenPos() const { return mouseEventScreenPos_; }
    void setMouseEventScreenPos(const QPoint& p) { mouseEventScreenPos_ = p; }

    // Called by the window when the window system moved it.
    void windowMovedTo(const QPoint& px);
    // A close request from the window system (unload mode 0 by default).
    virtual void windowClosedBySystem();

protected:
    // A window that follows the pointer on every tick moves through the
    // desktop's quiet path while shown.
    void setFollowsPointer(bool on) {
        followsPointer_ = on;
        if (on) sys_.prepareFollower(window_);
    }
    // The size a form has before anything is shown, without a Resize event.
    void setDesignSize(float width, float height);

private:
    void applyPosition();
    void applySize();
    void wakeTimers();
    // Hands a quietly moved window's place back to the toolkit.
    void endFollowing();

    platform::DesktopServices& sys_;
    Screen screen_;
    Clipboard clipboard_;
    QWidget* window_;
    QWidget* client_;
    bool frame_;
    bool loaded_ = false;
    bool shownOnce_ = false;
    bool followsPointer_ = false;
    bool following_ = false; // moved quietly since shown
    QPoint followedTo_;      // where, in pixels
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    Colour back_ = vbWindowBackground;
    QIcon icon_;
    QPoint mouseEventScreenPos_;
    std::vector<Timer*> timers_; // ours, to wake when the form moves

    friend class Timer;
};

} // namespace forms
