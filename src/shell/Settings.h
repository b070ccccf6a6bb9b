#pragma once

#include "platform/DesktopServices.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace shell {

constexpr std::uint32_t HKEY_CURRENT_USER = 0x80000001u;
inline const QString kSettingsKey = QStringLiteral("Software\\Kalmoro\\Quillant");

// A stored value counts only when it is a plain decimal 32-bit number
// (signed, or unsigned as written by other tools); anything else is no value.
std::optional<std::int32_t> ParseDword(const QString& text);

// One value of the store; missing, foreign or unreadable values read as 0.
std::int32_t RegReadValue(platform::SettingsStore& store, std::uint32_t root, const QString& subKey,
                          const QString& name);
// Stores one value; failures are silent (the previous file stays intact).
void RegWriteValue(platform::SettingsStore& store, std::uint32_t root, const QString& subKey,
                   const QString& name, std::int32_t value);

// Stores several values in one commit: afterwards the store holds all of
// them or, when it fails, none (silently, as a single value).
using DwordValues = std::vector<std::pair<QString, std::int32_t>>;
void RegWriteValues(platform::SettingsStore& store, std::uint32_t root, const QString& subKey,
                    const DwordValues& values);

// First-run values, in the order they are written, in one commit.
void WriteDefaultSettings(platform::SettingsStore& store);

} // namespace shell
