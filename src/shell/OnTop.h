#pragma once

#include "platform/Forms.h"

#include <cstdint>

namespace shell {

// Puts the window above all others (flag non-zero) or back among them, and
// activates it. Position and size stay.
void SetAlwaysOnTop(forms::Form& frm, const std::int16_t& onTop);

} // namespace shell
