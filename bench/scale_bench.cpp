#include "platform/FakeDesktop.h"
#include "platform/Forms.h"
#include "ruler/Scale.h"

#include <benchmark/benchmark.h>

namespace {

constexpr forms::Colour kYellow = 0x00C0FFFF;
constexpr float kStripThickness = 495; // twips

// Just the scale strip on a window, set up as the ruler sets up its own.
class StripForm : public forms::Form {
public:
    explicit StripForm(platform::DesktopServices& sys)
        : forms::Form(sys, false), strip(*this, this) {
        strip.setBackColor(kYellow);
        strip.setForeColor(forms::vbButtonText);
        strip.setFont(forms::SmallFont());
    }
    forms::PictureBox strip;
};

// Arguments: strip length in pixels, orientation (0 horizontal, 1 vertical).
void BM_DrawScale(benchmark::State& state) {
    platform::FakeDesktop desk;
    StripForm form(desk);
    const float tpp = form.screen().TwipsPerPixelX();
    const float length = float(state.range(0)) * tpp;
    const auto orientation = static_cast<std::int32_t>(state.range(1));
    if (orientation == 0)
        form.strip.Move(0, 0, length, kStripThickness);
    else
        form.strip.Move(0, 0, kStripThickness, length);

    // The first drawing loads the font; that is start-up, not drawing.
    ruler::DrawScale(form.strip, orientation, form.screen());
    for (auto _ : state) {
        ruler::DrawScale(form.strip, orientation, form.screen());
        benchmark::DoNotOptimize(form.strip.image().constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DrawScale)
    ->ArgNames({"pixels", "vertical"})
    ->Args({600, 0})
    ->Args({3840, 0})
    ->Args({600, 1})
    ->Unit(benchmark::kMicrosecond);

} // namespace
