#pragma once

#include "platform/Forms.h"

#include <cstdint>

namespace zoom {

// The magnifier that follows the cursor: it shows the pixels around the
// cursor enlarged, with the coordinates and the zoom figure on `lblCoord`.
// Everything happens in the tick of `tmrUpdate`; the window takes no clicks
// or keys of its own.
class frmZoom : public forms::Form {
public:
    explicit frmZoom(platform::DesktopServices& sys);
    ~frmZoom() override;

    forms::Timer tmrUpdate;
    forms::Label lblCoord;
    std::int32_t intZoomLevel = 0;

    static constexpr forms::Colour ForeColor = 0x00C0FFFF; // pale yellow
    static constexpr int DrawWidth = 5;                    // pen of the frame, pixels

    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload(int& cancel) override;
    void tmrUpdate_Timer();
    // The screens changed: the open window moves beside the cursor within the
    // new layout at once.
    void ScreensChanged();

    // The form's own persistent drawing, in pixels, under `lblCoord`.
    const forms::PictureBox& surface() const { return surface_; }

private:
    void moveBeside(QPoint cursor);
    // The tick's drawing: the enlarged square, the frame and the caption.
    void draw(QPoint cursor, const QImage& picture);
    bool AtClosingCorner(QPoint cursor) const;
    // Has the server show the enlarged square in the window; false where the
    // program must capture and draw it.
    bool showOnScreen(const QRect& source);
    void hideOnScreen();
    // The window's own drawing beside what the server shows.
    void drawAround(QPoint cursor);
    void drawFrame();
    // Says once that the screen cannot be seen, instead of showing black.
    void showBlind();
    // One wheel notch while the window is active: +1 towards the user.
    void wheelNotch(int notch);

    forms::PictureBox surface_;
    // What the window shows, so a tick with nothing new draws nothing.
    bool shown_ = false;
    QPoint shownCursor_;
    std::int32_t shownLevel_ = 0;
    QImage shownPicture_;
    bool blindShown_ = false;
    bool onScreen_ = false;    // the server shows the picture
    bool aroundDrawn_ = false; // the frame around it is drawn
};

} // namespace zoom
