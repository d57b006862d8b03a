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
// plain system calls.
class Line {
  public:
    explicit Line(QString path) : path_(std::move(path)) { Open(); }
    ~Line() { Close(); }
    Q_DISABLE_COPY(Line)

    bool Open() {
        in_.clear();
        fd_ = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        return fd_ >= 0;
    }
    void Close() { ::close(std::exchange(fd_, -1)); }
    // Writes what fits without waiting; returns how much that was.
    qsizetype Send(const QByteArray& bytes) {
        const ssize_t n = ::write(fd_, bytes.constData(), static_cast<size_t>(bytes.size()));
        return n > 0 ? n : 0;
    }
    // Everything received since opening or the last Forget().
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

  private:
    QString path_;
    int fd_ = -1;
    QByteArray in_;
};

QByteArray Pattern(qsizetype from, qsizetype size) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((from + i) % 251);
    return bytes;
}

} // namespace

class TestModemEmu : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<QProcess> emu_;

    QString Link(int i) const { return dir_.path() + QStringLiteral("/modem%1").arg(i); }

    // Starts the emulator with short delays; true once it has announced both modems.
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
        return announced && out.contains(" -> " + QFile::encodeName(Link(1)) + " number 1\n") &&
               out.contains(" -> " + QFile::encodeName(Link(2)) + " number 2\n");
    }

    // The two games' call: one waits for a call, the other dials number 1.
    void Connect(Line& answerer, Line& caller) {
        QCOMPARE(answerer.Send("ATS0=1\r\n"), 8);
        QTRY_COMPARE(answerer.Got(), QByteArray("ATS0=1\r\n\r\nOK\r\n"));
        QCOMPARE(caller.Send("ATDP1\r\n"), 7);
        QTRY_COMPARE(caller.Got(), QByteArray("ATDP1\r\n\r\nCONNECT 9600\r\n"));
        QTRY_COMPARE(answerer.Got(), QByteArray("ATS0=1\r\n\r\nOK\r\n\r\nRING\r\n\r\nCONNECT 9600\r\n"));
        answerer.Forget();
        caller.Forget();
    }

  private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // Every test ends the emulator as a user would; it must leave cleanly and take its links along.
    void cleanup() {
        if (!emu_)
            return;
        emu_->terminate();
        QTRY_COMPARE(emu_->state(), QProcess::NotRunning);
        QCOMPARE(emu_->exitStatus(), QProcess::NormalExit);
        QCOMPARE(emu_->exitCode(), 0);
        QVERIFY(!QFileInfo(Link(1)).isSymLink());
        QVERIFY(!QFileInfo(Link(2)).isSymLink());
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
        Line modem1(Link(1));
        QCOMPARE(modem1.Send(sent), sent.size());
        QTRY_COMPARE(modem1.Got(), expected);
    }

    void callAndHangUp_data() {
        QTest::addColumn<bool>("callerHangsUp");
        QTest::addColumn<QByteArray>("redial"); // the answering side keeps its setting unless it hung up
        QTest::newRow("caller hangs up") << true << QByteArray("CONNECT 9600");
        QTest::newRow("answerer hangs up") << false << QByteArray("NO CARRIER");
    }

    void callAndHangUp() {
        QFETCH(bool, callerHangsUp);
        QFETCH(QByteArray, redial);
        QVERIFY(Start({}));
        Line modem1(Link(1));
        Line modem2(Link(2));
        Connect(modem1, modem2);
        if (QTest::currentTestFailed())
            return;

        QByteArray all = "ATH\r\n+++";
        for (int b = 0; b < 256; ++b)
            all += static_cast<char>(b);
        QByteArray back = all;
        std::reverse(back.begin(), back.end());
        QCOMPARE(modem1.Send(all), all.size());
        QCOMPARE(modem2.Send(back), back.size());
        QTRY_COMPARE(modem2.Got(), all);
        QTRY_COMPARE(modem1.Got(), back);
        modem1.Forget();
        modem2.Forget();

        // The game's hang-up: "ATH" with no line end, then the port closes with data still unread.
        Line& hanger = callerHangsUp ? modem2 : modem1;
        Line& other = callerHangsUp ? modem1 : modem2;
        QCOMPARE(other.Send("unread"), 6);
        QTRY_VERIFY(hanger.Waiting());
        QCOMPARE(hanger.Send("ATH"), 3);
        hanger.Close();
        QTRY_COMPARE(other.Got(), QByteArray("ATH\r\nNO CARRIER\r\n"));

        // The port reopens on a modem in command mode, with nothing left over from the call.
        QVERIFY(hanger.Open());
        QCOMPARE(hanger.Send("AT\r\n"), 4);
        QTRY_COMPARE(hanger.Got(), QByteArray("AT\r\n\r\nOK\r\n"));
        modem2.Forget();
        QCOMPARE(modem2.Send("ATDP1\r\n"), 7);
        QTRY_COMPARE(modem2.Got(), "ATDP1\r\n\r\n" + redial + "\r\n");
    }

    // A flood towards a game that does not read stops its sender instead of filling memory, and
    // arrives whole once read.
    void floodPausesTheSender() {
        QVERIFY(Start({}));
        Line modem1(Link(1));
        Line modem2(Link(2));
        Connect(modem1, modem2);
        if (QTest::currentTestFailed())
            return;
        // Modem 1 reads nothing: a second of trying moves only what the buffers on the way hold.
        constexpr qsizetype kMax = 1024 * 1024;
        qsizetype sent = 0;
        const bool swallowedAll = QTest::qWaitFor(
            [&] {
                for (qsizetype n = 1; n > 0 && sent < kMax; sent += n)
                    n = modem2.Send(Pattern(sent, 4096));
                return sent >= kMax;
            },
            1000);
        QVERIFY2(!swallowedAll, "the emulator kept taking data nobody read");
        QTRY_COMPARE(modem1.Got().size(), sent);
        QCOMPARE(modem1.Got(), Pattern(0, sent));
    }

    // At 9600 bits a second a line carries 960 bytes a second; the bound is loose on purpose.
    void pacedAtLineSpeed() {
        QVERIFY(Start({"--baud", "9600"}));
        Line modem1(Link(1));
        Line modem2(Link(2));
        Connect(modem1, modem2);
        if (QTest::currentTestFailed())
            return;
        const QByteArray data = Pattern(0, 960);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(modem2.Send(data), data.size());
        QTRY_COMPARE_WITH_TIMEOUT(modem1.Got(), data, 10000);
        qInfo("960 bytes took %lld ms", static_cast<long long>(clock.elapsed()));
        QVERIFY(clock.elapsed() > 500);
    }

    // A line split into random pieces with random rests still carries every byte once and in
    // order, both ways at once, and really hands it over piece by piece.
    void splitLineKeepsEveryByte() {
        QVERIFY(Start({"--split-seed", "7"}));
        Line modem1(Link(1));
        Line modem2(Link(2));
        Connect(modem1, modem2);
        if (QTest::currentTestFailed())
            return;
        QRandomGenerator random(7);
        QByteArray there(2048, '\0'), back(2048, '\0');
        for (QByteArray* bytes : {&there, &back})
            for (char& c : *bytes)
                c = static_cast<char>(random.bounded(256));
        QCOMPARE(modem1.Send(there), there.size());
        QCOMPARE(modem2.Send(back), back.size());
        qsizetype seen = 0;
        int pieces = 0;
        QVERIFY(QTest::qWaitFor(
            [&] {
                const qsizetype now = modem2.Got().size();
                if (now > seen)
                    ++pieces;
                seen = now;
                return now >= there.size() && modem1.Got().size() >= back.size();
            },
            10000));
        QCOMPARE(modem2.Got(), there);
        QCOMPARE(modem1.Got(), back);
        QVERIFY2(pieces > 8, "the line handed the data over in one go");
    }

    // The bridge to a copy of the game whose modem works over TCP, both ways round: modem 1 dials an
    // address (after a closed port, which fails), or a connection to --listen calls modem 1 (and a
    // second one meanwhile is turned away). Every byte value crosses unchanged, modem commands
    // included, and either end hanging up ends the call at the other.
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
        QTcpServer server, closed;
        QVERIFY(server.listen(QHostAddress::LocalHost) && closed.listen(QHostAddress::LocalHost));
        const quint16 port = server.serverPort();
        const QByteArray address = "127.0.0.1:" + QByteArray::number(port);
        const QByteArray closedAddress = "127.0.0.1:" + QByteArray::number(closed.serverPort());
        closed.close();
        if (!dialOut)
            server.close(); // its free port becomes the emulator's
        QVERIFY(Start(dialOut ? QStringList() : QStringList{"--listen", QString::number(port)}));
        Line modem1(Link(1));
        std::unique_ptr<QTcpSocket> far;
        if (dialOut) {
            QCOMPARE(modem1.Send("ATDP" + closedAddress + "\r\n"), closedAddress.size() + 6);
            QTRY_COMPARE(modem1.Got(), "ATDP" + closedAddress + "\r\n\r\nNO CARRIER\r\n");
            modem1.Forget();
            QCOMPARE(modem1.Send("ATDP" + address + "\r\n"), address.size() + 6);
            QTRY_COMPARE(modem1.Got(), "ATDP" + address + "\r\n\r\nCONNECT 9600\r\n");
            far.reset(server.nextPendingConnection());
        } else {
            QCOMPARE(modem1.Send("ATS0=1\r\n"), 8);
            QTRY_COMPARE(modem1.Got(), QByteArray("ATS0=1\r\n\r\nOK\r\n"));
            far = std::make_unique<QTcpSocket>();
            far->connectToHost(QHostAddress::LocalHost, port);
            QTRY_COMPARE(modem1.Got(), QByteArray("ATS0=1\r\n\r\nOK\r\n\r\nRING\r\n\r\nCONNECT 9600\r\n"));
            QTcpSocket second;
            second.connectToHost(QHostAddress::LocalHost, port);
            QTRY_COMPARE(second.state(), QAbstractSocket::UnconnectedState);
        }
        QVERIFY(far);
        QTRY_COMPARE(far->state(), QAbstractSocket::ConnectedState);
        modem1.Forget();

        QByteArray all = "ATH\r\n+++";
        for (int b = 0; b < 256; ++b)
            all += static_cast<char>(b);
        QByteArray back = all;
        std::reverse(back.begin(), back.end());
        QCOMPARE(far->write(all), all.size());
        QCOMPARE(modem1.Send(back), back.size());
        QTRY_COMPARE(modem1.Got(), all);
        QTRY_COMPARE(far->bytesAvailable(), back.size());
        QCOMPARE(far->readAll(), back);

        if (farHangsUp) {
            far->close();
            QTRY_COMPARE(modem1.Got(), all + "\r\nNO CARRIER\r\n");
        } else { // the game's hang-up: "ATH" with no line end, then the port closes
            QCOMPARE(modem1.Send("ATH"), 3);
            modem1.Close();
            QTRY_COMPARE(far->state(), QAbstractSocket::UnconnectedState);
            QCOMPARE(far->readAll(), QByteArray("ATH"));
        }
    }
};

QTEST_GUILESS_MAIN(TestModemEmu)
#include "tst_modememu.moc"
