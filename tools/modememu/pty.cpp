// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pty.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace qx {

namespace {

// How often we look whether a slave side was opened or closed while we are not reading. Polling
// the master then is the only way: it reports hang-up continuously while no slave is open.
constexpr int kCheckMs = 25;
constexpr qsizetype kChunk = 4096;
// Output beyond this is dropped; callers keep far below it by pausing their sources.
constexpr qsizetype kHardLimit = 256 * 1024;

QString ErrnoText(const char* what) {
    return QStringLiteral("%1: %2").arg(what, std::strerror(errno));
}

} // namespace

PtyPort::PtyPort(QObject* parent) : QObject(parent) {
    check_.setInterval(kCheckMs);
    connect(&check_, &QTimer::timeout, this, &PtyPort::Check);
}

PtyPort::~PtyPort() {
    delete readable_;
    delete writable_;
    if (!linkPath_.isEmpty() && QFileInfo(linkPath_).symLinkTarget() == slavePath_)
        ::unlink(QFile::encodeName(linkPath_).constData());
    if (master_ >= 0)
        ::close(master_);
}

bool PtyPort::Create(const QString& linkPath, QString* error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error = ErrnoText("pseudo-terminal");
        return false;
    }
    char name[128] = {};
    if (::ptsname_r(master_, name, sizeof name) != 0 ||
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK) != 0) {
        *error = ErrnoText("pseudo-terminal");
        return false;
    }
    slavePath_ = QString::fromLocal8Bit(name);
    PrepareSlave();

    const QByteArray link = QFile::encodeName(linkPath);
    const QFileInfo existing(linkPath);
    if (existing.isSymLink()) {
        ::unlink(link.constData());
    } else if (existing.exists()) {
        *error = QStringLiteral("%1 exists and is not a symlink").arg(linkPath);
        return false;
    }
    if (::symlink(name, link.constData()) != 0) {
        *error = ErrnoText(link.constData());
        return false;
    }
    linkPath_ = linkPath;

    readable_ = new QSocketNotifier(master_, QSocketNotifier::Read);
    readable_->setEnabled(false);
    connect(readable_, &QSocketNotifier::activated, this, &PtyPort::OnReadable);
    writable_ = new QSocketNotifier(master_, QSocketNotifier::Write);
    writable_->setEnabled(false);
    connect(writable_, &QSocketNotifier::activated, this, &PtyPort::OnWritable);
    check_.start();
    return true;
}

// Leaves the slave side raw and empty for whoever opens it next: no echo, no CR/LF translation by
// the line discipline, and no bytes left over from the last call (the kernel keeps them across a
// close). Opening and closing it ourselves also puts the master into the hang-up state, so a slave
// that was never opened looks closed too.
void PtyPort::PrepareSlave() {
    termios tio{};
    if (::tcgetattr(master_, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(master_, TCSANOW, &tio); // a master's settings are its slave's
    }
    const int slave =
        ::open(slavePath_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave >= 0) {
        ::tcflush(slave, TCIOFLUSH);
        ::close(slave);
    }
    char sink[kChunk];
    while (::read(master_, sink, sizeof sink) > 0) {
    }
}

void PtyPort::SetReading(bool on) {
    reading_ = on;
    if (readable_)
        readable_->setEnabled(open_ && on);
}

void PtyPort::Write(const QByteArray& bytes) {
    if (!open_ || bytes.isEmpty() || out_.size() + bytes.size() > kHardLimit)
        return;
    out_ += bytes;
    Flush();
}

void PtyPort::Flush() {
    while (!out_.isEmpty()) {
        const ssize_t n = ::write(master_, out_.constData(), static_cast<size_t>(out_.size()));
        if (n > 0) {
            out_.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            writable_->setEnabled(true);
            return;
        }
        out_.clear(); // the pseudo-terminal refuses: nobody can take these bytes
    }
    writable_->setEnabled(false);
}

void PtyPort::OnWritable() {
    Flush();
    emit Drained();
}

void PtyPort::OnReadable() {
    char buf[kChunk];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0)
        emit Received(QByteArray(buf, n));
    else if (n == 0 || (errno != EAGAIN && errno != EINTR))
        SlaveGone(); // EIO: the last slave descriptor was closed
}

void PtyPort::Check() {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0)
        return;
    const bool hangUp = (p.revents & POLLHUP) != 0;
    if (open_ && hangUp) {
        SlaveGone();
    } else if (!open_ && !hangUp) {
        open_ = true;
        readable_->setEnabled(reading_);
        emit Opened();
    }
}

void PtyPort::SlaveGone() {
    if (!open_)
        return;
    // What the game wrote just before closing still counts, as it would reach a modem before DTR fell.
    char buf[kChunk];
    for (ssize_t n; (n = ::read(master_, buf, sizeof buf)) > 0;)
        emit Received(QByteArray(buf, n));
    open_ = false;
    readable_->setEnabled(false);
    writable_->setEnabled(false);
    out_.clear();
    PrepareSlave();
    emit Closed();
}

} // namespace qx
