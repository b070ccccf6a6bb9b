#include "Settings.h"

namespace shell {

std::optional<std::int32_t> ParseDword(const QString& text) {
    if (text.isEmpty() || text.size() > 11) return std::nullopt;
    qsizetype i = 0;
    const bool negative = text.at(0) == '-';
    if (negative) i = 1;
    if (i >= text.size()) return std::nullopt;
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c.unicode() - '0');
    }
    if (negative) v = -v;
    if (v < -2147483648LL || v > 4294967295LL) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

std::int32_t RegReadValue(platform::SettingsStore& store, std::uint32_t root, const QString& subKey,
                          const QString& name) {
    (void)root; // the store is per user already
    const std::optional<QString> text = store.read(subKey, name);
    if (!text) return 0;
    return ParseDword(*text).value_or(0);
}

void RegWriteValue(platform::SettingsStore& store, std::uint32_t root, const QString& subKey,
                   const QString& name, std::int32_t value) {
    (void)root;
    store.write(subKey, name, QString::number(value));
}

void RegWriteValues(platform::SettingsStore& store, std::uint32_t root, const QString& subKey,
                    const DwordValues& values) {
    (void)root;
    platform::SettingsStore::Values texts;
    texts.reserve(values.size());
    for (const auto& [name, value] : values)
        texts.emplace_back(name, QString::number(value));
    store.writeAll(subKey, texts);
}

void WriteDefaultSettings(platform::SettingsStore& store) {
    RegWriteValues(store, HKEY_CURRENT_USER, kSettingsKey,
                   {{"Installed", 1},
                    {"AlwaysOnTop", 1},
                    {"Orientation", 0},
                    {"Size", 9000},
                    {"Left", 900},
                    {"Top", 900}});
}

} // namespace shell
