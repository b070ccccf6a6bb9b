#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

namespace shell {

// One running Quillant per user and display, so that two processes never own
// the settings file at once. The first process becomes the instance; a later
// one asks it to show its ruler and ends.
//
// On the session bus the instance owns the application's well-known name and
// answers org.freedesktop.Application's Activate. Without a session bus it
// holds a lock file and listens on a local socket, both per display under the
// runtime folder; a lock or socket left by a killed process is taken over.
class SingleInstance {
public:
    enum class Outcome {
        Primary,   // this process is the instance
        Activated, // another process is, and has been asked to show its ruler
        Failed,    // another process is, but did not answer; see error()
    };
    struct Options {
        QString runtimeDir; // for the fallback; empty: the system's runtime folder
        bool useBus = true;
        std::chrono::milliseconds answerTimeout{5000};
    };

    // display: the X display the instance serves.
    explicit SingleInstance(QString display);
    SingleInstance(QString display, Options options);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // startupId: the launcher's startup-notification id, handed on to the
    // running instance. With askRunning false a running instance is left
    // alone and the outcome is Failed.
    Outcome claim(const QString& startupId = {}, bool askRunning = true);
    // On the instance: what a later start asks for. Runs from the event loop
    // with the later start's startup id.
    void setActivateHandler(std::function<void(const QString& startupId)> handler);
    QString error() const;
    // "bus" or "socket": how this process found or became the instance.
    QString channel() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace shell
