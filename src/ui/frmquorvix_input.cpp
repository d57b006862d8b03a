// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Sound effects, and the board input that waits for them.
//
// Where the game waits for a sound to end, nothing the user does on the boards is acted on until
// it has: presses made meanwhile are kept, in order, and handled one after another once the sound
// is over, as a player expects of a game that is busy for a moment.
#include "frmquorvix.h"
#include "sound.h"
#include "waits.h"

namespace qx {

QCoro::Task<> frmQuorvix::PlayEffect(Handler& h, QString name, bool wait) {
    if (!mnuSound->isChecked())
        co_return;
    const QString path = options_.soundFolder + name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const auto bound = sound_->Play(path);
    if (!wait || !bound)
        co_return;
    ++inputLocks_;
    // New game and closing the window lift the lock themselves; a stale wait ends in Wait.
    const bool ended = co_await h.Wait(SignalOrGone(sound_, &SoundBackend::Finished, *bound));
    --inputLocks_;
    // A sound that ended by itself is left alone: stopping it could cut a sound started meanwhile.
    if (!ended)
        sound_->Stop();
    if (inputLocks_ == 0 && !pressQueue_.empty() && !drainQueued_) {
        // The waiting handler finishes what it does after the sound before the next press starts.
        drainQueued_ = true;
        QMetaObject::invokeMethod(this, &frmQuorvix::DrainPresses, Qt::QueuedConnection);
    }
}

void frmQuorvix::BoardPressed(BoardPress press) {
    if (inputLocks_ > 0) {
        if (pressQueue_.size() < MaxQueuedPresses)
            pressQueue_.push_back(press);
        return;
    }
    if (press.board == OwnBoard)
        Launch(picPole1_MouseDown(press.button, press.pos));
    else
        Launch(picPole2_MouseDown(press.button, press.pos));
}

void frmQuorvix::DrainPresses() {
    drainQueued_ = false;
    // A press that waits for a sound of its own locks the input again; the rest then wait for it.
    while (inputLocks_ == 0 && !pressQueue_.empty()) {
        const BoardPress press = pressQueue_.front();
        pressQueue_.pop_front();
        BoardPressed(press);
    }
}

} // namespace qx
