// Loading and storing the ruler's place, length, orientation and topmost
// state: at start, a second after each change, and at every end.
#include "frmRuler.h"

#include "OnTop.h"
#include "Settings.h"
#include "ruler/RulerGeometry.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace shell {

using namespace ruler;

namespace {

// X11 cannot address windows longer than this many pixels.
constexpr float kMaxLengthPixels = 32000;

} // namespace

void frmRuler::LoadSettings() {
    platform::SettingsStore& store = sys().settings();
    const auto read = [&](const char* name) {
        return RegReadValue(store, HKEY_CURRENT_USER, kSettingsKey, QString::fromLatin1(name));
    };
    if (read("Installed") != 1) WriteDefaultSettings(store);
    g.blnAlwaysOnTop = read("AlwaysOnTop") != 0 ? -1 : 0;
    // Only 1 is vertical: any other stored value would mix the layouts and
    // store the window's thickness as its length.
    g.intOrientation = read("Orientation") == 1 ? 1 : 0;
    setLeft(float(read("Left")));
    setTop(float(read("Top")));
    picOnTop.setPicture(g.blnAlwaysOnTop ? picOnTopInactive.Picture() : picOnTopActive.Picture());
    SetAlwaysOnTop(*this, g.blnAlwaysOnTop);

    // A length the window cannot take would leave no usable ruler.
    const float tpp = g.intOrientation == 1 ? screen().TwipsPerPixelY() : screen().TwipsPerPixelX();
    const float size = float(read("Size"));
    LayoutForOrientation(std::clamp(size, kMinLength, kMaxLengthPixels * tpp));

    // Restored wherever it was stored while that place is on a screen; a
    // window wholly outside every screen comes back at the first-run place.
    ReturnOntoScreens();

    storedSettings_ = currentSettings();
    settingsPending_ = false;
    ctlStoreTimer.setEnabled(false);
}

std::vector<std::pair<QString, std::int32_t>> frmRuler::currentSettings() const {
    return {{"AlwaysOnTop", std::int32_t(g.blnAlwaysOnTop)},
            {"Orientation", g.intOrientation},
            {"Left", forms::CInt(Left())},
            {"Top", forms::CInt(Top())},
            {"Size", forms::CInt(g.intOrientation == 0 ? Width() : Height())}};
}

// One commit: a kill at any moment leaves the old or the new values, never a mix.
void frmRuler::SaveSettings() {
    storedSettings_ = currentSettings();
    settingsPending_ = false;
    ctlStoreTimer.setEnabled(false);
    RegWriteValues(sys().settings(), HKEY_CURRENT_USER, kSettingsKey, storedSettings_);
}

void frmRuler::SettingsChanged() {
    if (ending_ || !Loaded()) return;
    settingsPending_ = true;
    ctlStoreTimer.setEnabled(false); // restarts the delay
    ctlStoreTimer.setEnabled(true);
}

void frmRuler::StorePendingSettings() {
    ctlStoreTimer.setEnabled(false);
    if (!settingsPending_) return;
    settingsPending_ = false;
    if (currentSettings() != storedSettings_) SaveSettings();
}

} // namespace shell
