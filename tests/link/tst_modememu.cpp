// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The modem emulator driven the way the game drives its modem: commands with their echo and replies,
// a call between two modems, the transparent line, hanging up by closing the port, flow control and
// the pacing of the line.
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace {

// One end of a serial line as the game holds it: the slave side of an emulated modem, opened with
// plain system calls. Got() is everything received since opening or the last Forget().
struct Line {
    explicit Line(const QString& path) : path_(QFile::encodeName(path)) { Open(); }
    ~Line() { Close(); }

    bool Open() {
        in_.clear();
        return (fd_ = ::open(path_.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) >= 0;
    }
    void Close() { ::close(std::exchange(fd_, -1)); }
    // Writes what fits without waiting; returns how much that was.
    qsizetype Write(const QByteArray& bytes) {
        return std::max<ssize_t>(0, ::write(fd_, bytes, bytes.size()));
    }
    bool Send(const QByteArray& bytes) { return Write(bytes) == bytes.size(); }
    const QByteArray& Got() {
        char buf[4096];
        for (ssize_t n; (n = ::read(fd_, buf, sizeof buf)) > 0;)
            in_.append(buf, n);
        return in_;
    }
    void Forget() { in_.clear(); }
    // Something waits to be read (left unread).
    bool Waiting() const {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
    }
    QByteArray path_, in_;
    int fd_ = -1;
};

// Modem commands, every byte value, then random bytes up to `size`: all of it data once online.
QByteArray Data(qsizetype size) {
    QByteArray bytes = "ATH\r\n+++";
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    QRandomGenerator random(7);
    while (bytes.size() < size)
        bytes += static_cast<char>(random.bounded(256));
    return bytes;
}

QByteArray Backwards(QByteArray bytes) {
    std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

} // namespace

class TestModemEmu : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<QProcess> emu_;
    std::unique_ptr<Line> modem1_, modem2_;

    QString Link(int i) const { return dir_.path() + QStringLiteral("/modem%1").arg(i); }

    // Starts the emulator with short delays and opens modem 1; true once it has announced both modems.
    bool Start(const QStringList& options) {
        emu_ = std::make_unique<QProcess>();
        emu_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        emu_->start(QStringLiteral(QX_MODEMEMU), QStringList{"--dir", dir_.path(), "--ring-ms", "10",
                                                             "--connect-ms", "10", "--wait-ms", "300"} +
                                                     options);
        QByteArray out;
        const bool announced = QTest::qWaitFor([&] {
            out += emu_->readAllStandardOutput();
            return out.count('\n') >= 2 || emu_->state() == QProcess::NotRunning;
        });
        modem1_ = std::make_unique<Line>(Link(1));
        return announced && out.contains(" -> " + QFile::encodeName(Link(1)) + " number 1\n") &&
               out.contains(" -> " + QFile::encodeName(Link(2)) + " number 2\n");
    }

    // The two games' call: modem 1 waits for a call, modem 2 dials number 1. True once both are online.
    bool Call(const QStringList& options = {}) {
        const QByteArray answering = "ATS0=1\r\n\r\nOK\r\n";
        if (!Start(options) || !modem1_->Send("ATS0=1\r\n") ||
            !QTest::qWaitFor([&] { return modem1_->Got() == answering; }))
            return false;
        modem2_ = std::make_unique<Line>(Link(2));
        modem2_->Send("ATDP1\r\n");
        const bool online = QTest::qWaitFor([&] {
            return modem2_->Got() == "ATDP1\r\n\r\nCONNECT 9600\r\n" &&
                   modem1_->Got() == answering + "\r\nRING\r\n\r\nCONNECT 9600\r\n";
        });
        modem1_->Forget();
        modem2_->Forget();
        return online;
    }

  private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // Every test ends the emulator as a user would; it must leave cleanly and take its links along.
    void cleanup() {
        modem1_.reset();
        modem2_.reset();
        if (!emu_)
            return;
        emu_->terminate();
        QTRY_COMPARE(emu_->state(), QProcess::NotRunning);
        QCOMPARE(emu_->exitStatus(), QProcess::NormalExit);
        QCOMPARE(emu_->exitCode(), 0);
        QVERIFY(!QFileInfo(Link(1)).isSymLink() && !QFileInfo(Link(2)).isSymLink());
        emu_.reset();
    }

    void commands_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char* name, const QByteArray& sent, const QByteArray& reply) {
            QTest::newRow(name) << QStringList() << sent << sent + reply; // echoed, then answered
        };
        row("attention", "AT\r\n", "\r\nOK\r\n");
        row("lower case", "at\r\n", "\r\nOK\r\n");
        row("on hook", "ATH\r\n", "\r\nOK\r\n");
        row("unknown command", "ATX9\r\n", "\r\nERROR\r\n");
        row("line too long", "AT" + QByteArray(80, 'Z') + "\r\n", "\r\nERROR\r\n");
        row("unknown number", "ATDP9\r\n", "\r\nNO CARRIER\r\n");
        row("own number", "ATDT1\r\n", "\r\nBUSY\r\n");
        row("nobody answers", "ATD 2\r\n", "\r\nNO CARRIER\r\n");
        QTcpServer closed; // an address where nobody listens
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        row("closed address", "ATDP127.0.0.1:" + QByteArray::number(closed.serverPort()) + "\r\n",
            "\r\nNO CARRIER\r\n");
        QTest::newRow("echo off") << QStringList() << QByteArray("ATE0\r\nAT\r\n")
                                  << QByteArray("ATE0\r\n\r\nOK\r\n\r\nOK\r\n");
        QTest::newRow("LF not echoed")
            << QStringList{"--no-lf-echo"} << QByteArray("AT\r\n") << QByteArray("AT\r\r\nOK\r\n");
    }

    void commands() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, expected);
        QVERIFY(Start(options));
        QVERIFY(modem1_->Send(sent));
        QTRY_COMPARE(modem1_->Got(), expected);
    }

    // Online the line carries every byte once and in order, both ways at once: at 9600 bits a second
    // no faster than 960 bytes a second (the bound is loose on purpose), and with a split seed
    // really piece by piece.
    void lineCarriesEveryByte_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<int>("leastMs");
        QTest::addColumn<int>("leastPieces");
        QTest::newRow("paced") << QStringList{"--baud", "9600"} << qsizetype(960) << 500 << 1;
        QTest::newRow("split") << QStringList{"--split-seed", "7"} << qsizetype(2048) << 0 << 9;
    }

    void lineCarriesEveryByte() {
        QFETCH(QStringList, options);
        QFETCH(qsizetype, size);
        QFETCH(int, leastMs);
        QFETCH(int, leastPieces);
        QVERIFY(Call(options));
        const QByteArray data = Data(size), back = Backwards(data);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(modem1_->Send(data) && modem2_->Send(back));
        qsizetype seen = 0;
        int pieces = 0;
        QVERIFY(QTest::qWaitFor(
            [&] {
                const qsizetype now = modem2_->Got().size();
                pieces += now > std::exchange(seen, now);
                return now >= data.size() && modem1_->Got().size() >= back.size();
            },
            10000));
        QCOMPARE(modem2_->Got(), data);
        QCOMPARE(modem1_->Got(), back);
        QVERIFY(clock.elapsed() >= leastMs);
        QVERIFY2(pieces >= leastPieces, "the line handed the data over in one go");
    }

    // A flood towards a game that does not read stops its sender instead of filling memory, and
    // arrives whole once read.
    void floodPausesTheSender() {
        QVERIFY(Call());
        // Modem 1 reads nothing: a second of trying moves only what the buffers on the way hold.
        constexpr qsizetype kMax = 1024 * 1024;
        const QByteArray data = Data(kMax);
        qsizetype sent = 0;
        const bool swallowedAll = QTest::qWaitFor(
            [&] {
                for (qsizetype n = 1; n > 0 && sent < kMax; sent += n)
                    n = modem2_->Write(data.mid(sent, 4096));
                return sent >= kMax;
            },
            1000);
        QVERIFY2(!swallowedAll, "the emulator kept taking data nobody read");
        QTRY_COMPARE(modem1_->Got().size(), sent);
        QCOMPARE(modem1_->Got(), data.left(sent));
    }

    // The game's hang-up: "ATH" with no line end, then the port closes with data still unread.
    void callAndHangUp_data() {
        QTest::addColumn<bool>("callerHangsUp");
        QTest::addColumn<QByteArray>("redial"); // the answering side keeps its setting unless it hung up
        QTest::newRow("caller hangs up") << true << QByteArray("CONNECT 9600");
        QTest::newRow("answerer hangs up") << false << QByteArray("NO CARRIER");
    }

    void callAndHangUp() {
        QFETCH(bool, callerHangsUp);
        QFETCH(QByteArray, redial);
        QVERIFY(Call());
        Line& hanger = callerHangsUp ? *modem2_ : *modem1_;
        Line& other = callerHangsUp ? *modem1_ : *modem2_;
        QVERIFY(other.Send("unread"));
        QTRY_VERIFY(hanger.Waiting());
        QVERIFY(hanger.Send("ATH"));
        hanger.Close();
        QTRY_COMPARE(other.Got(), QByteArray("ATH\r\nNO CARRIER\r\n"));
        // The port reopens on a modem in command mode, with nothing left over from the call.
        QVERIFY(hanger.Open() && hanger.Send("AT\r\n"));
        QTRY_COMPARE(hanger.Got(), QByteArray("AT\r\n\r\nOK\r\n"));
        modem2_->Forget();
        QVERIFY(modem2_->Send("ATDP1\r\n"));
        QTRY_COMPARE(modem2_->Got(), "ATDP1\r\n\r\n" + redial + "\r\n");
    }

    // The bridge to a copy of the game whose modem works over TCP, both ways round: modem 1 dials an
    // address, or a connection to --listen calls modem 1 (and a second one meanwhile is turned away).
    // Every byte crosses unchanged, and either end hanging up ends the call at the other.
    void tcpBridge_data() {
        QTest::addColumn<bool>("dialOut");
        QTest::addColumn<bool>("farHangsUp");
        QTest::newRow("dials out, far end hangs up") << true << true;
        QTest::newRow("dials out, game hangs up") << true << false;
        QTest::newRow("called, far end hangs up") << false << true;
        QTest::newRow("called, game hangs up") << false << false;
    }

    void tcpBridge() {
        QFETCH(bool, dialOut);
        QFETCH(bool, farHangsUp);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const quint16 port = server.serverPort();
        if (!dialOut)
            server.close(); // its free port becomes the emulator's
        QVERIFY(Start(dialOut ? QStringList() : QStringList{"--listen", QString::number(port)}));
        Line& modem = *modem1_;
        const QByteArray command =
            dialOut ? "ATDP127.0.0.1:" + QByteArray::number(port) + "\r\n" : "ATS0=1\r\n";
        QVERIFY(modem.Send(command));
        std::unique_ptr<QTcpSocket> far;
        if (dialOut) {
            QTRY_COMPARE(modem.Got(), command + "\r\nCONNECT 9600\r\n");
            far.reset(server.nextPendingConnection());
        } else {
            QTRY_COMPARE(modem.Got(), command + "\r\nOK\r\n");
            far = std::make_unique<QTcpSocket>();
            far->connectToHost(QHostAddress::LocalHost, port);
            QTRY_COMPARE(modem.Got(), command + "\r\nOK\r\n\r\nRING\r\n\r\nCONNECT 9600\r\n");
            QTcpSocket second;
            second.connectToHost(QHostAddress::LocalHost, port);
            QTRY_COMPARE(second.state(), QAbstractSocket::UnconnectedState);
        }
        QVERIFY(far);
        QTRY_COMPARE(far->state(), QAbstractSocket::ConnectedState);
        modem.Forget();

        const QByteArray data = Data(0);
        QCOMPARE(far->write(data), data.size());
        QVERIFY(modem.Send(Backwards(data)));
        QTRY_COMPARE(modem.Got(), data);
        QTRY_COMPARE(far->bytesAvailable(), data.size());
        QCOMPARE(far->readAll(), Backwards(data));
        if (farHangsUp) {
            far->close();
            QTRY_COMPARE(modem.Got(), data + "\r\nNO CARRIER\r\n");
        } else { // the game's hang-up: "ATH" with no line end, then the port closes
            QVERIFY(modem.Send("ATH"));
            modem.Close();
            QTRY_COMPARE(far->state(), QAbstractSocket::UnconnectedState);
            QCOMPARE(far->readAll(), QByteArray("ATH"));
        }
    }
};

QTEST_GUILESS_MAIN(TestModemEmu)
#include "tst_modememu.moc"
