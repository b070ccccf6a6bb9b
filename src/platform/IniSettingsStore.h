#pragma once

#include "DesktopServices.h"

#include <QByteArray>
#include <QSet>

namespace platform {

// Settings in one INI file ("[General]" section, key=value lines, readable by
// QSettings). A write replaces the whole file in one commit (temporary file,
// fdatasync, rename), so the file always holds one complete state. Anything
// that is not a regular file of at most 64 KiB reads as missing, without
// blocking; the next write puts a regular file in its place.
//
// Foreign entries of the section are kept byte for byte when QSettings reads
// them as the same single line, and dropped otherwise; what is written can
// always be read back. Problems are reported once each on stderr.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(QString filePath) : path_(std::move(filePath)) {}
    std::optional<QString> read(const QString& key, const QString& name) override;
    bool write(const QString& key, const QString& name, const QString& value) override;
    bool writeAll(const QString& key, const Values& values) override;
    const QString& filePath() const { return path_; }

    // $XDG_CONFIG_HOME/<organisation>/<application>.conf (QSettings' convention).
    static QString defaultPath(const QString& organisation, const QString& application);

    // Larger files are not ours, and the store never writes one.
    static constexpr qsizetype kMaxFileBytes = 64 * 1024;

private:
    QByteArray load();
    void report(bool& reported, const char* what, const QString& reason);

    QString path_;
    // Names this program asked for: kept first when a file must shrink.
    QSet<QByteArray> used_;
    bool readReported_ = false;
    bool writeReported_ = false;
};

} // namespace platform
