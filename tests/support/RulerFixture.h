#pragma once

#include "platform/FakeDesktop.h"
#include "shell/frmRuler.h"

#include <gtest/gtest.h>

#include <memory>

// A ruler window on the fake desktop, loaded and shown as at program start.
class RulerFixture : public ::testing::Test {
protected:
    void start() {
        frm.reset();
        globals = shell::Globals{};
        frm = std::make_unique<shell::frmRuler>(desk, globals);
        frm->Show();
    }
    void TearDown() override { frm.reset(); }

    float tppX() const { return frm->screen().TwipsPerPixelX(); }

    platform::FakeDesktop desk;
    shell::Globals globals;
    std::unique_ptr<shell::frmRuler> frm;
};
