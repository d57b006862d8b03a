// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound.h"

#include <QApplication>
#include <QFile>
#include <QSoundEffect>
#include <QUrl>
#include <QtEndian>

namespace qx {

namespace {
// Extra time granted over the file's own length before a waiting caller goes on.
constexpr std::chrono::milliseconds kWaitMargin{250};
// Anything longer is not one of our effects; refuse rather than block the game for minutes.
constexpr std::chrono::milliseconds kLongestEffect{10000};

quint32 U32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}
quint16 U16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
} // namespace

std::optional<std::chrono::milliseconds> WaveDuration(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = f.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return std::nullopt;
    quint32 byteRate = 0;
    quint16 format = 0, blockAlign = 0;
    // Walk the chunks; a bounded number of them, each header read once.
    for (int chunks = 0; chunks < 64; ++chunks) {
        const QByteArray ch = f.read(8);
        if (ch.size() < 8)
            return std::nullopt;
        const quint32 size = U32(ch.constData() + 4);
        if (ch.startsWith("fmt ")) {
            if (size < 16 || size > 4096)
                return std::nullopt;
            const QByteArray fmt = f.read(size + (size & 1));
            if (fmt.size() < 16)
                return std::nullopt;
            format = U16(fmt.constData());
            byteRate = U32(fmt.constData() + 8);
            blockAlign = U16(fmt.constData() + 12);
        } else if (ch.startsWith("data")) {
            if (format != 1 || byteRate == 0 || blockAlign == 0)
                return std::nullopt;
            const qint64 available = f.size() - f.pos();
            const qint64 bytes = qMin<qint64>(size, available);
            const auto ms = std::chrono::milliseconds(bytes * 1000 / byteRate);
            if (ms > kLongestEffect)
                return std::nullopt;
            return ms;
        } else if (!f.seek(f.pos() + size + (size & 1))) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::chrono::milliseconds> QtSoundBackend::Play(const QString& path) {
    Stop();
    const auto length = WaveDuration(path);
    if (!length) {
        QApplication::beep();
        return std::nullopt;
    }
    QSoundEffect*& effect = effects_[path];
    if (!effect) {
        effect = new QSoundEffect(this);
        effect->setSource(QUrl::fromLocalFile(path));
        connect(effect, &QSoundEffect::playingChanged, this, [this, effect] {
            if (!effect->isPlaying() && effect == playing_)
                emit Finished();
        });
    }
    playing_ = effect;
    effect->play();
    return *length + kWaitMargin;
}

void QtSoundBackend::Stop() {
    if (playing_) {
        const auto effect = std::exchange(playing_, nullptr);
        effect->stop();
    }
}

} // namespace qx
