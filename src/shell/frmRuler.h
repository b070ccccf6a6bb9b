#pragma once

#include "Tray.h"
#include "picker/ColorPicker.h"
#include "platform/Forms.h"
#include "zoom/frmZoom.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace shell {

// Program-wide state, owned by the application and shared with the windows.
struct Globals {
    std::int32_t intOrientation = 0; // 0 horizontal, 1 vertical
    std::int16_t blnAlwaysOnTop = 0; // -1 on, 0 off
    NotifyIconData nidTray;
};

// The main window: a light-yellow strip with its button row, pixel read-out,
// and either the ruler scale or the colour-picker panel.
class frmRuler : public forms::Form {
public:
    frmRuler(platform::DesktopServices& sys, Globals& globals);
    ~frmRuler() override;

    Globals& g;

    // Controls, in the order they are stacked (later ones on top).
    forms::PictureBox picRuler;
    forms::PictureBox picClrFrame;
    picker::ColorPicker picker;
    forms::PictureBox picClose;
    forms::PictureBox picOnTop;
    forms::PictureBox picLineal;
    forms::PictureBox picColor;
    forms::PictureBox picZoom;
    forms::Label lblPixel;
    forms::PictureBox picResizeH;
    forms::PictureBox picResizeV;
    forms::PictureBox picTray;
    forms::PictureBox picOnTopInactive;
    forms::PictureBox picOnTopActive;
    forms::PictureBox picCurHorizontal;
    forms::PictureBox picCurVertical;
    forms::Timer ctlMousePosTimer;
    // Stores changed settings once they have rested for a second.
    forms::Timer ctlStoreTimer;

    // State of the window.
    std::int32_t intPanelMode = 0;
    std::int16_t blnResizing = 0;

    // Start and end.
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    void Form_QueryUnload(int& cancel, int unloadMode) override;
    void picClose_Click();
    // The desktop session ends: store and end like the close button.
    void SessionEnding();
    void End();

    // Layout and orientation.
    void Form_Resize() override;
    void Form_DblClick() override;
    void picRuler_DblClick();
    void LayoutForOrientation(float length);
    void SwitchOrientation();
    void DrawScale();

    // Moving, resizing, keys.
    void Form_MouseDown(int button, int shift, float x, float y) override;
    void Form_MouseMove(int button, int shift, float x, float y) override;
    void Form_MouseUp(int button, int shift, float x, float y) override;
    void Form_KeyDown(int keyCode, int shift) override;
    void picRuler_MouseDown(int button, int shift, float x, float y);
    void picRuler_KeyDown(int keyCode, int shift);
    void picResizeH_MouseDown(int button, int shift, float x, float y);
    void picResizeH_MouseUp(int button, int shift, float x, float y);
    void picResizeV_MouseDown(int button, int shift, float x, float y);
    void picResizeV_MouseUp(int button, int shift, float x, float y);
    void BeginWindowDrag();

    // Read-out, panels, topmost, tray, zoom.
    void ctlMousePosTimer_Timer();
    void SetPanelMode(std::int16_t mode);
    void picLineal_Click();
    void picColor_Click();
    void picOnTop_Click();
    void AddTrayIcon();
    void picTray_MouseMove(int button, int shift, float x, float y);
    // Brings the ruler back as the tray icon's double-click does.
    void ShowFromTray();
    void picZoom_Click();
    zoom::frmZoom* zoomWindow() const { return zoom_.get(); }

    // Settings.
    void LoadSettings();
    void SaveSettings();
    // The window moved or resized, or the orientation or topmost state
    // changed: stored by ctlStoreTimer unless an end stores it first.
    void SettingsChanged();
    // Stores what changed since the last store, if anything. Reads only the
    // window's model, no window system call, so it can run while the process
    // exits after losing its display.
    void StorePendingSettings();

    // Screens. A ruler left wholly outside every screen comes back onto the
    // primary one; the layout changing while the program runs also moves an
    // open zoom window into it.
    void ReturnOntoScreens();
    void Screens_Change();

    void windowClosedBySystem() override;
    void Form_Shown() override;

    // How often the scale was drawn (tests count the redraws of a switch).
    int drawScaleCount = 0;

private:
    void followDrag();
    void resizeLoop(bool vertical);

    // Window drag by hand in progress: offset of the press from the corner.
    bool dragging_ = false;
    QPoint dragOffset_;
    bool ending_ = false;
    bool settingsPending_ = false;
    std::vector<std::pair<QString, std::int32_t>> storedSettings_; // as last read or written
    std::vector<std::pair<QString, std::int32_t>> currentSettings() const;
    std::unique_ptr<zoom::frmZoom> zoom_;
};

} // namespace shell
