#include "OnTop.h"

namespace shell {

void SetAlwaysOnTop(forms::Form& frm, const std::int16_t& onTop) {
    frm.sys().setTopmost(frm.window(), onTop != 0);
}

} // namespace shell
