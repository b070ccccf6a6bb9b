#include "frmZoom.h"

namespace zoom {

// TODO(zoom): design, tick and wheel.
frmZoom::frmZoom(platform::DesktopServices& sys)
    : forms::Form(sys, true), tmrUpdate(*this, 10, true) {
    tmrUpdate.Timer_ = [this] { tmrUpdate_Timer(); };
}

frmZoom::~frmZoom() = default;

void frmZoom::Form_Load() {
    intZoomLevel = 1;
}

void frmZoom::tmrUpdate_Timer() {}

} // namespace zoom
