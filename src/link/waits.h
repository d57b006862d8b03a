// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Waiting inside a handler without a nested event loop.
//
// A handler that has to wait (for the shot frame to vanish, for a sound to end, for a message box
// to be closed) is a coroutine and awaits one of these. The wait ends from the event loop, never
// from inside the awaited object's own code, and ends as well when the awaited object is destroyed
// or the time-out passes, so a handler is never left hanging.
#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <coroutine>
#include <memory>

namespace qx {

class SignalOrGone {
  public:
    // Resumes with true when `sender` emits `signal`, with false when `sender` is destroyed or
    // `timeout` has passed (a timeout of zero or less waits without a limit). A null sender
    // does not wait and gives false.
    template <typename Sender, typename Signal>
    SignalOrGone(Sender* sender, Signal signal, std::chrono::milliseconds timeout)
        : state_(std::make_shared<State>()) {
        if (!sender) {
            state_->done = true;
            return;
        }
        std::weak_ptr<State> weak = state_;
        state_->fired = QObject::connect(sender, signal, qApp, [weak] { Finish(weak, true); });
        state_->gone = QObject::connect(sender, &QObject::destroyed, qApp, [weak] { Finish(weak, false); });
        if (timeout.count() > 0)
            QTimer::singleShot(timeout, qApp, [weak] { Finish(weak, false); });
    }

    bool await_ready() const noexcept { return state_->done; }
    void await_suspend(std::coroutine_handle<> handle) noexcept { state_->handle = handle; }
    bool await_resume() const noexcept { return state_->result; }

  private:
    struct State {
        std::coroutine_handle<> handle;
        bool done = false;
        bool result = false;
        QMetaObject::Connection fired;
        QMetaObject::Connection gone;
    };

    static void Finish(const std::weak_ptr<State>& weak, bool result) {
        const auto state = weak.lock();
        if (!state || state->done)
            return;
        state->done = true;
        state->result = result;
        QObject::disconnect(state->fired);
        QObject::disconnect(state->gone);
        // Resume from the event loop, after whatever emitted the signal has returned. The frame owns
        // the state; a resumption queued for a frame that no longer waits finds nothing to do.
        QMetaObject::invokeMethod(
            qApp,
            [weak] {
                if (const auto s = weak.lock(); s && s->handle) {
                    const auto h = std::exchange(s->handle, nullptr);
                    h.resume();
                }
            },
            Qt::QueuedConnection);
    }

    std::shared_ptr<State> state_;
};

} // namespace qx
