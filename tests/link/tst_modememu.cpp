// The modem emulator driven the way the game drives its modem: commands with their echo and replies,
// a call between two modems, the transparent line, hanging up by closing the port, flow control and
// the pacing of the line.
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
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
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    bool Open() {
        in_.clear();
        fd_ = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        return fd_ >= 0;
    }
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
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
        const QStringList none;
        QTest::newRow("attention") << none << QByteArray("AT\r\n") << QByteArray("AT\r\n\r\nOK\r\n");
        QTest::newRow("lower case") << none << QByteArray("at\r\n") << QByteArray("at\r\n\r\nOK\r\n");
        QTest::newRow("LF not echoed")
            << QStringList{"--no-lf-echo"} << QByteArray("AT\r\n") << QByteArray("AT\r\r\nOK\r\n");
        QTest::newRow("answer setting")
            << none << QByteArray("ATS0=1\r\n") << QByteArray("ATS0=1\r\n\r\nOK\r\n");
        QTest::newRow("on hook") << none << QByteArray("ATH\r\n") << QByteArray("ATH\r\n\r\nOK\r\n");
        QTest::newRow("unknown command")
            << none << QByteArray("ATX9\r\n") << QByteArray("ATX9\r\n\r\nERROR\r\n");
        QTest::newRow("echo off") << none << QByteArray("ATE0\r\nAT\r\n")
                                  << QByteArray("ATE0\r\n\r\nOK\r\n\r\nOK\r\n");
        const QByteArray tooLong = "AT" + QByteArray(80, 'Z') + "\r\n";
        QTest::newRow("line too long") << none << tooLong << tooLong + "\r\nERROR\r\n";
        QTest::newRow("unknown number")
            << none << QByteArray("ATDP9\r\n") << QByteArray("ATDP9\r\n\r\nNO CARRIER\r\n");
        QTest::newRow("own number") << none << QByteArray("ATDT1\r\n") << QByteArray("ATDT1\r\n\r\nBUSY\r\n");
        QTest::newRow("nobody answers")
            << none << QByteArray("ATD 2\r\n") << QByteArray("ATD 2\r\n\r\nNO CARRIER\r\n");
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
};

QTEST_GUILESS_MAIN(TestModemEmu)
#include "tst_modememu.moc"
