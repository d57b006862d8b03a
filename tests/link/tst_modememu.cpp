// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The modem emulator driven the way the game drives its modem: the calls of tests/link/modem.script,
// among them the pacing of the line, and flow control; and it leaves cleanly, taking its links along.
#include "transcript.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace qx::test;

namespace {

// The slave side of an emulated modem, opened with plain system calls as the game's port would be.
struct Line : CallEnd {
    explicit Line(const QString& path) : path(QFile::encodeName(path)) { Open(); }
    ~Line() override { ::close(fd); }
    bool Open() override { return (fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK)) >= 0; }
    // Writes what fits without waiting; returns how much that was.
    qsizetype Put(const QByteArray& bytes) { return std::max<ssize_t>(0, ::write(fd, bytes, bytes.size())); }
    bool Write(const QByteArray& bytes) override { return Put(bytes) == bytes.size(); }
    QByteArray Read() override {
        QByteArray in;
        char buf[4096];
        for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
            in.append(buf, n);
        pieces += !in.isEmpty();
        return in;
    }
    // The game's hang-up: "ATH" with no line end, then the port closes with data still unread.
    void HangUp() override {
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
    quint16 port_ = 0;    // the emulator's --listen
    QElapsedTimer clock_; // since the emulator came up

    QString Link(int i) const { return dir_.path() + QStringLiteral("/modem%1").arg(i); }
    Line& Modem(int n) { return static_cast<Line&>(*script_.ends.at(n)); }
    // Modem commands, every byte value, then random bytes up to `size`.
    QByteArray Data(qsizetype size) {
        QByteArray bytes = script_.vars.at("data");
        for (QRandomGenerator random(7); bytes.size() < size;)
            bytes += char(random.bounded(256));
        return bytes;
    }
    // Starts the emulator with short delays, and plays a transcript; what went wrong, or nothing.
    QString Play(const QString& name, const QStringList& options) {
        emu_ = std::make_unique<QProcess>();
        emu_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        emu_->start(QX_MODEMEMU, QStringList{"--dir", dir_.path(), "--ring-ms", "10", "--connect-ms", "10",
                                             "--wait-ms", "300", "--listen", QString::number(port_)} +
                                     options);
        QByteArray out;
        if (!QTest::qWaitFor([&] { return (out += emu_->readAllStandardOutput()).count('\n') >= 3; }) ||
            !out.contains(" -> " + QFile::encodeName(Link(1)) + " number 1\n") ||
            !out.contains(" -> " + QFile::encodeName(Link(2)) + " number 2\n"))
            return "the emulator did not come up: " + out;
        clock_.start();
        return script_.Play(name, [this](int n) { return std::make_unique<Line>(Link(n)); });
    }

  private slots:
    void initTestCase() {
        QTcpServer probe; // its free port becomes the emulator's
        QVERIFY(dir_.isValid() && probe.listen(QHostAddress::LocalHost));
        port_ = probe.serverPort();
        script_.vars.insert({{"number", "1"},
                             {"port", QByteArray::number(port_)},
                             {"long", QByteArray(80, 'Z')},
                             {"960", Data(960)}});
        QByteArray& back = script_.vars["960 back"] = Data(960);
        std::reverse(back.begin(), back.end());
    }

    // Every test ends the emulator as a user would; it must leave cleanly and take its links along.
    void cleanup() {
        script_.ends.clear();
        emu_->terminate();
        QTRY_COMPARE(emu_->state(), QProcess::NotRunning);
        QCOMPARE(emu_->exitStatus(), QProcess::NormalExit);
        QCOMPARE(emu_->exitCode(), 0);
        QVERIFY(!QFileInfo(Link(1)).isSymLink() && !QFileInfo(Link(2)).isSymLink());
    }

    void transcripts_data() { script_.AddRows("emu"); }
    // A paced line takes its time (the bound is loose on purpose); a split one hands data over piece
    // by piece.
    void transcripts() {
        QFETCH(QString, name);
        QCOMPARE(Play(name, script_.sections.at(name).first.filter(QRegularExpression("^--"))), QString());
        QVERIFY(name != "paced" || clock_.elapsed() >= 500);
        QVERIFY2(name != "split" || Modem(2).pieces >= 9, "the line handed the data over in one go");
    }

    // A flood towards a game that does not read stops its sender instead of filling memory, and
    // arrives whole once read: a second of trying moves only what the buffers on the way hold.
    void floodPausesTheSender() {
        QCOMPARE(Play("dial", {}), QString());
        constexpr qsizetype kMax = 1024 * 1024;
        const QByteArray data = Data(kMax);
        qsizetype sent = 0;
        const bool swallowedAll = QTest::qWaitFor(
            [&] {
                for (qsizetype n = 1; n > 0 && sent < kMax; sent += n)
                    n = Modem(2).Put(data.mid(sent, 4096));
                return sent >= kMax;
            },
            1000);
        QVERIFY2(!swallowedAll, "the emulator kept taking data nobody read");
        QTRY_COMPARE((Modem(1).got += Modem(1).Read()).size(), sent);
        QCOMPARE(Modem(1).got, data.left(sent));
    }
};

QTEST_GUILESS_MAIN(TestModemEmu)
#include "tst_modememu.moc"
