#pragma once

#include "platform/Forms.h"

#include <cstdint>

namespace zoom {

// The magnifier that follows the cursor.
class frmZoom : public forms::Form {
public:
    explicit frmZoom(platform::DesktopServices& sys);
    ~frmZoom() override;

    forms::Timer tmrUpdate;
    std::int32_t intZoomLevel = 0;

    void Form_Load() override;
    void tmrUpdate_Timer();
};

} // namespace zoom
