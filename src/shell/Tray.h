#pragma once

#include "platform/DesktopServices.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace shell {

// Registration record of the notification-area icon, filled once.
struct NotifyIconData {
    std::uint32_t cbSize = 0;
    std::uintptr_t hWnd = 0; // window that receives the icon's mouse messages
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    QIcon hIcon;
    QString szTip; // 64 characters: the tip, one NUL, then spaces
    // The live registration; empty before NIM_ADD and after NIM_DELETE.
    std::unique_ptr<platform::TrayIcon> registration;
};

constexpr int NIM_ADD = 0;
constexpr int NIM_DELETE = 2;
constexpr std::uint32_t NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4;
constexpr int WM_MOUSEMOVE = 0x200;
constexpr int WM_LBUTTONDBLCLK = 0x203;

inline const QString kTrayTip = QStringLiteral("Jorv's Quillant");

// The tip as the shell shows it: up to the first NUL.
QString TipText(const QString& szTip);

} // namespace shell
