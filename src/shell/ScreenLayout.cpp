// The ruler and the zoom window on a desktop of several screens that may come
// and go while the program runs.
#include "frmRuler.h"

#include "platform/Rounding.h"
#include "platform/Screens.h"

#include <vector>

namespace shell {

namespace {

// Where a ruler lost between the screens comes back, as at the first start:
// twips from the primary screen's top-left corner.
constexpr float kHomeLeft = 900, kHomeTop = 900;

} // namespace

void frmRuler::ReturnOntoScreens() {
    const std::vector<QRect> screens = sys().screenRects();
    if (screens.empty()) return; // no layout known: nothing to judge by
    const float tx = screen().TwipsPerPixelX(), ty = screen().TwipsPerPixelY();
    const QRect px(forms::CInt(Left() / tx), forms::CInt(Top() / ty), forms::CInt(Width() / tx),
                   forms::CInt(Height() / ty));
    // Partly visible is enough: the user can still reach and drag it.
    if (platform::OnAnyScreen(screens, px)) return;
    const QPoint primary = screens.front().topLeft();
    Move(float(primary.x()) * tx + kHomeLeft, float(primary.y()) * ty + kHomeTop);
}

void frmRuler::Screens_Change() {
    if (ending_) return;
    ReturnOntoScreens();
    if (zoom_ && zoom_->Loaded()) zoom_->ScreensChanged();
}

} // namespace shell
