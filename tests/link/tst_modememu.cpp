// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Pseudo-terminals: the modem emulator driven as the game drives its modem (the calls of
// tests/link/modem.script tagged "emu"), and the game's serial port on one whose far end is the modem.
#include "cp1251.h"
#include "mscomm.h"
#include "sender.h"
#include "transcript.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <tuple>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace qx;
using namespace qx::test;

namespace {

// A terminal with plain system calls: an emulated modem as the game's port opens it, or a pty's master.
struct Line : CallEnd {
    explicit Line(const QString& path) : path(QFile::encodeName(path)) { Open(); }
    ~Line() override { ::close(fd); }
    bool Open() override { return (fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) >= 0; }
    qsizetype Write(const QByteArray& bytes) override { // what the line takes within a second
        qsizetype sent = 0;
        const auto put = [&] {
            for (ssize_t n = 1; n > 0 && sent < bytes.size(); sent += std::max<ssize_t>(n, 0))
                n = ::write(fd, bytes.constData() + sent, bytes.size() - sent);
            return sent == bytes.size();
        };
        std::ignore = QTest::qWaitFor(put, 1000);
        return sent;
    }
    QByteArray Read() override {
        QByteArray in(1 << 16, Qt::Uninitialized);
        in.resize(std::max<ssize_t>(0, ::read(fd, in.data(), in.size())));
        pieces += !in.isEmpty();
        return in;
    }
    void HangUp() override { // as the game's: "ATH" with no line end, then a close with data unread
        Write("ATH");
        ::close(std::exchange(fd, -1));
    }
    bool Waiting() override {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
    }
    QByteArray path;
    int fd = -1;
    int pieces = 0; // reads that found something
};

} // namespace

class TestModemEmu : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<QProcess> emu_;
    Transcripts script_;
    QElapsedTimer clock_; // since the emulator came up

    QString Link(int i) const { return dir_.path() + QStringLiteral("/modem%1").arg(i); }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QByteArray random = script_.vars.at("data"); // modem commands, every byte value, then random bytes
        for (QRandomGenerator generator(7); random.size() < 1024 * 1024;)
            random += char(generator.bounded(256));
        script_.vars["port"] = QByteArray::number(FreePort()); // the emulator's --listen
        script_.vars.insert(
            {{"960", random.left(960)}, {"960 back", random.mid(960, 960)}, {"flood", random}});
    }

    // Every test ends the emulator as a user would; it must leave cleanly and take its links along.
    void cleanup() {
        script_.ends.clear();
        if (!emu_)
            return;
        emu_->terminate();
        QTRY_COMPARE(emu_->state(), QProcess::NotRunning);
        QCOMPARE(std::pair(emu_->exitStatus(), emu_->exitCode()), std::pair(QProcess::NormalExit, 0));
        QVERIFY(!QFileInfo(Link(1)).isSymLink() && !QFileInfo(Link(2)).isSymLink());
    }

    // The emulator starts with short delays and the section's options. A paced line takes its time (the
    // bound is loose on purpose); a split one hands data over piece by piece.
    void transcripts_data() { script_.AddRows("emu"); }
    void transcripts() {
        QFETCH(QString, name);
        emu_ = std::make_unique<QProcess>();
        emu_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        emu_->start(QX_MODEMEMU, QStringList{"--dir", dir_.path(), "--ring-ms", "10", "--connect-ms", "10",
                                             "--wait-ms", "300", "--listen", script_.vars["port"]} +
                                     script_.sections.at(name).first.filter(QRegularExpression("^--")));
        QByteArray out;
        QVERIFY(QTest::qWaitFor([&] { return (out += emu_->readAllStandardOutput()).count('\n') >= 3; }));
        for (int n : {1, 2})
            QVERIFY2(out.contains(QFile::encodeName(QString(" -> %1 number %2\n").arg(Link(n)).arg(n))), out);
        clock_.start();
        QCOMPARE(script_.Play(name, [this](int n) { return std::make_unique<Line>(Link(n)); }), QString());
        QVERIFY(name != "paced" || clock_.elapsed() >= 500);
        QVERIFY2(name != "split" || static_cast<Line&>(*script_.ends.at(2)).pieces >= 9,
                 "the line handed the data over in one go");
    }

    // The port on a pseudo-terminal: the configuration it takes, text both ways, sent in pieces, unplugged.
    void ptyLine() {
        QString path = QStringLiteral("/dev/qx-no-such-port"), received; // and every other event as <N>
        MSComm real(new SerialPortDevice, [&path](int) { return path; });
        connect(&real, &MSComm::OnComm, this, [&] {
            const int event = real.CommEvent();
            received += event == MSComm::CommEventReceive ? real.Input() : QStringLiteral("<%1>").arg(event);
        });
        const PortResult missing = real.SetPortOpen(true);
        QVERIFY(!missing && missing.error.startsWith(path + ": ") && !real.PortOpen());
        Line pty({}), slave({});
        char name[256] = {};
        QVERIFY(::openpty(&pty.fd, &slave.fd, name, nullptr, nullptr) == 0);
        ::fcntl(pty.fd, F_SETFL, O_NONBLOCK);
        path = QString::fromLocal8Bit(name);
        termios t{};
        const auto flags = [&](tcflag_t termios::*field) {
            return ::tcgetattr(slave.fd, &t), t.*field;
        };
        QVERIFY(!real.SetSettings("9600,n,4,1")); // no serial port has 4 data bits
        QVERIFY(real.SetSettings("9600,e,7,1"));  // a pseudo-terminal refuses both, and still opens
        QVERIFY(real.SetPortOpen(true) && real.SetSettings("9600,n,8,1"));
        QVERIFY(!real.SetSettings("9600,e,8,1")); // refused: what is in force stays
        QCOMPARE(real.Settings(), QStringLiteral("9600,n,8,1"));
        QVERIFY(real.SetDTREnable(false) && real.SetHandshaking(3));
        QCOMPARE(flags(&termios::c_iflag) & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
        QVERIFY(flags(&termios::c_cflag) & CRTSCTS);
        QVERIFY(real.SetHandshaking(0));
        QCOMPARE(flags(&termios::c_iflag) & (IXON | IXOFF), tcflag_t(0));

        QVERIFY(real.Output(u"Привет, ATH\r\n") && real.SetPortOpen(false)); // what was written still leaves
        QTRY_COMPARE(pty.got += pty.Read(), ToCp1251(u"Привет, ATH\r\n"));
        QVERIFY(real.SetPortOpen(true) && pty.Write("\xcf\xf0\xe8\r\n"));
        QTRY_COMPARE(received, QStringLiteral("При\r\n"));
        LineSender sender(&real);
        const QString text = QString(700, QChar(0x0416)) + QString(600, 'z');
        sender.SendText(text);
        QTRY_COMPARE(pty.got += pty.Read(), ToCp1251(u"Привет, ATH\r\n") + ToCp1251(text));
        QTRY_VERIFY(sender.Idle());
        ::close(std::exchange(pty.fd, -1)); // the modem is pulled out
        QTRY_VERIFY(!real.PortOpen());
        QCOMPARE(received, QStringLiteral("При\r\n<%1>").arg(MSComm::CommEventGone));
    }
};

QTEST_GUILESS_MAIN(TestModemEmu)
#include "tst_modememu.moc"
