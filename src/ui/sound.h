// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The sound effects: a back end that plays a wave file, and the reading of a wave file's length.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <optional>

class QSoundEffect;

namespace qx {

// The length of a PCM wave file, from its header; nothing when the file is missing or is not a
// wave file that can be played.
std::optional<std::chrono::milliseconds> WaveDuration(const QString& path);

class SoundBackend : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // Starts playing the file, cutting off a sound still playing. Returns how long a caller that
    // waits for the end should wait at the most; nothing when the file could not be played (the
    // back end has given the system's default sound instead).
    virtual std::optional<std::chrono::milliseconds> Play(const QString& path) = 0;
    // Stops whatever plays.
    virtual void Stop() = 0;

  signals:
    // The sound started by the last Play has ended.
    void Finished();
};

// Plays through the system's audio output. Effects are created on first use, never at start-up.
class QtSoundBackend : public SoundBackend {
    Q_OBJECT
  public:
    using SoundBackend::SoundBackend;
    std::optional<std::chrono::milliseconds> Play(const QString& path) override;
    void Stop() override;

  private:
    QHash<QString, QSoundEffect*> effects_;
    QPointer<QSoundEffect> playing_;
};

} // namespace qx
