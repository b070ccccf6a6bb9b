#pragma once

#include "DesktopServices.h"

namespace platform {

// Settings in one INI file ("[General]" section, key=value lines, readable by
// QSettings). Every write replaces the file atomically; a damaged, foreign or
// oversized file never stops the program and is replaced on the next write.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(QString filePath) : path_(std::move(filePath)) {}
    std::optional<QString> read(const QString& key, const QString& name) override;
    bool write(const QString& key, const QString& name, const QString& value) override;
    const QString& filePath() const { return path_; }

    // $XDG_CONFIG_HOME/<organisation>/<application>.conf (QSettings' convention).
    static QString defaultPath(const QString& organisation, const QString& application);

private:
    QString path_;
};

} // namespace platform
