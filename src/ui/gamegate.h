// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The one guard that every waiting handler goes through.
//
// A handler (a click, the computer's move, later a message from the line) takes a Handler when it
// starts and awaits everything through Handler::Wait. When the wait ends, the handler either goes
// on in the same game, or the game has changed meanwhile (New game, a hang-up, the window closed)
// and Wait throws GameChanged, which unwinds the handler without one more statement of it running.
// There is no way to wait and carry on in a game that is gone. Top-level handlers are started
// with Launch, which ends them quietly on GameChanged.
#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>

#include <coroutine>
#include <exception>
#include <type_traits>
#include <utility>

namespace qx {

class GameChanged final : public std::exception {
  public:
    const char* what() const noexcept override { return "the game has changed"; }
};

// Owned by the window. Advance() makes every waiting handler stale; it outlives none of them
// safely, which is why handlers hold it through a weak pointer.
class GameGate : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    void Advance() { ++generation_; }
    // Handlers that have started and not yet returned (they may be waiting).
    int Running() const { return running_; }

  private:
    friend class Handler;
    quint64 generation_ = 0;
    int running_ = 0;
};

class Handler {
  public:
    explicit Handler(GameGate* gate) : gate_(gate), generation_(gate->generation_) { ++gate->running_; }
    ~Handler() {
        if (gate_)
            --gate_->running_;
    }
    Handler(const Handler&) = delete;
    Handler& operator=(const Handler&) = delete;

    // Still the game this handler started in, and the window still there.
    bool Current() const { return gate_ && gate_->generation_ == generation_; }

    // Awaits `wait` and resumes with its result if the game is still the same; throws GameChanged
    // otherwise.
    template <typename Awaitable> auto Wait(Awaitable wait) {
        return Checked<Awaitable>{std::move(wait), this};
    }
    // A task (a text on its way down the line, say) is awaited the same way.
    template <typename T> auto Wait(QCoro::Task<T> task) {
        return Checked<TaskAwait<T>>{TaskAwait<T>{std::move(task)}, this};
    }

  private:
    // A task's own awaiter holds nothing but the task's handle, so one is made at each step.
    template <typename T> struct TaskAwait {
        QCoro::Task<T> task;
        bool await_ready() const { return task.operator co_await().await_ready(); }
        auto await_suspend(std::coroutine_handle<> h) { return task.operator co_await().await_suspend(h); }
        auto await_resume() { return task.operator co_await().await_resume(); }
    };

    template <typename Awaitable> struct Checked {
        Awaitable inner;
        const Handler* handler;
        bool await_ready() { return inner.await_ready(); }
        auto await_suspend(std::coroutine_handle<> h) { return inner.await_suspend(h); }
        auto await_resume() {
            if constexpr (std::is_void_v<decltype(inner.await_resume())>) {
                inner.await_resume();
                handler->ThrowIfStale();
            } else {
                auto result = inner.await_resume();
                handler->ThrowIfStale();
                return result;
            }
        }
    };

    void ThrowIfStale() const {
        if (!Current())
            throw GameChanged();
    }

    QPointer<GameGate> gate_;
    quint64 generation_;
};

// Starts a top-level handler (fire and forget); a handler whose game has changed just ends.
inline QCoro::Task<> Launch(QCoro::Task<> handler) {
    try {
        co_await std::move(handler);
    } catch (const GameChanged&) {
    }
}

} // namespace qx
