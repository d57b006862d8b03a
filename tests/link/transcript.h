// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Calls through modems written down as transcripts (tests/link/modem.script), played against the ends a
// test gives. "== NAME : TAGS" starts a section (tests play those with their tag; "--" words are options;
// untagged, it is only played from others), then steps, " ; " between two (also after the head), N end N:
//   N> TEXT    the game at N writes TEXT; "N> TEXT => REPLY" expects the echo and REPLY back
//   N! TEXT    N cannot write all of TEXT: ${taken} is what it could
//   N< TEXT    N receives exactly TEXT next           N?  something waits at N, left unread
//   N~         N hangs up as the game does            N+  N's port opens again
//   N= STATE   N comes to STATE (if it has states)    N-  what came at N is let go
//   N.         N reads no more as it arrives          @ NAME  the steps of section NAME (above)
// TEXT knows \r, \n and ${variable}. At the end nothing may be left over at any end.
#pragma once

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <functional>
#include <map>
#include <memory>

namespace qx::test {

inline quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::Any) ? probe.serverPort() : 0;
}

// One end of a call, as a game or a far end holds it.
struct CallEnd {
    virtual ~CallEnd() = default;
    virtual qsizetype Write(const QByteArray& bytes) = 0; // how much was taken
    virtual QByteArray Read() = 0;                        // what arrived since the last read
    virtual void HangUp() = 0;
    virtual bool Open() = 0;
    virtual QString State() { return {}; }
    virtual bool Waiting() { return !(got += Read()).isEmpty(); }
    QByteArray got;
    bool wholeReads = false; // a read is one batch of output: nothing may come along with what is expected
    bool deaf = false;       // it is never told what arrives: what it should get is given time, not checked
    bool reading = true;     // the game reads what arrives as it arrives
};

// A far end over TCP: taken from `server` as it calls in, or calling `port` on this machine (a busy
// modem may never take it: Wine reports no refusal).
struct TcpEnd : CallEnd {
    TcpEnd(QTcpServer* server, quint16 port) : server(server), port(port) {}
    bool Open() override {
        if (server && !QTest::qWaitFor([this] { return server->hasPendingConnections(); }, 10000))
            return false;
        socket.reset(server ? server->nextPendingConnection() : new QTcpSocket);
        if (!server)
            socket->connectToHost(QHostAddress::LocalHost, port), socket->waitForConnected(2000);
        return true;
    }
    qsizetype Write(const QByteArray& bytes) override { return socket->write(bytes); }
    QByteArray Read() override { return socket->isOpen() ? socket->readAll() : QByteArray(); }
    void HangUp() override { socket->close(); }
    QString State() override {
        return socket->state() == QTcpSocket::ConnectedState ? "connected" : "not connected";
    }
    QTcpServer* server;
    quint16 port;
    std::unique_ptr<QTcpSocket> socket;
};

// Besides a test's own variables: ${data} (modem commands, then every byte value: online all is data),
// ${far}, ${closed} (nobody listens), ${unanswered} (a server whose one-place queue is taken, accepting
// nobody), and unless the test gives others ${number} 1 and ${long}, a line too long for the emulator.
class Transcripts {
    QTcpServer deaf_, far_; // made before the ends, whose sockets they hand out
    QTcpSocket queued_;

  public:
    std::map<QString, std::pair<QStringList, QByteArrayList>> sections; // tags, steps
    std::map<QByteArray, QByteArray> vars{
        {"data", "ATH\r\n+++ATH0\r"}, {"number", "1"}, {"long", QByteArray(80, 'Z')}};
    std::map<int, std::unique_ptr<CallEnd>> ends;

    Transcripts() {
        QFile file(":/modem.script");
        file.open(QIODevice::ReadOnly);
        std::pair<QStringList, QByteArrayList>* section = nullptr;
        for (const QByteArray& line : file.readAll().split('\n')) {
            QStringList steps = QString::fromUtf8(line).split(" ; ", Qt::SkipEmptyParts);
            if (line.startsWith("== ")) {
                const QStringList head = steps.takeFirst().mid(3).split(" : ");
                (section = &sections[head[0]])->first = head.value(1).split(u' ', Qt::SkipEmptyParts);
            }
            for (const QString& step : steps)
                if (section && !line.startsWith('#'))
                    section->second +=
                        step.startsWith("@ ") ? sections[step.mid(2)].second : QByteArrayList{step.toUtf8()};
        }
        for (int b = 0; b < 256; ++b)
            vars["data"] += char(b);
        deaf_.setListenBacklogSize(0);
        for (QTcpServer* server : {&deaf_, &far_})
            server->listen(QHostAddress::LocalHost);
        deaf_.pauseAccepting();
        queued_.connectToHost(QHostAddress::LocalHost, deaf_.serverPort());
        queued_.waitForConnected(5000);
        for (const auto& [name, port] : {std::pair("closed", FreePort()),
                                         {"unanswered", deaf_.serverPort()},
                                         {"far", far_.serverPort()}})
            vars[name] = "127.0.0.1:" + QByteArray::number(port);
    }
    // A test row, in the column "name", for each section with this tag.
    void AddRows(const QString& tag) const {
        QTest::addColumn<QString>("name");
        for (const auto& [name, section] : sections)
            if (section.first.contains(tag))
                QTest::newRow(qPrintable(name)) << name;
    }

    // Plays a section; what went wrong, or nothing. Ends are made on their first use: 1 and 2 by
    // `modem`, 3 is the far end that ${far} reaches, 4 and 5 call ${port}.
    QString Play(const QString& name, const std::function<std::unique_ptr<CallEnd>(int)>& modem) {
        ends.clear();
        for (const QByteArray& line : sections.at(name).second) {
            auto& made = ends[line[0] - '0'];
            if (!made)
                made = line[0] <= '2' ? modem(line[0] - '0')
                                      : std::make_unique<TcpEnd>(line[0] == '3' ? &far_ : nullptr,
                                                                 vars["port"].toUShort());
            CallEnd& end = *made;
            const QByteArray rest = line.mid(3);
            const qsizetype arrow = rest.contains(" =>") ? rest.indexOf(" =>") : rest.size();
            const QByteArray sent = Text(rest.left(arrow));
            QString error;
            const bool writes = line[1] == '>' || line[1] == '!';
            if (writes && (line[1] == '>') != ((vars["taken"] = sent.left(end.Write(sent))) == sent))
                error = QStringLiteral("it took %1 bytes").arg(vars["taken"].size());
            else if (line[1] == '>' && arrow < rest.size())
                error = Expect(end, sent + Text(rest.mid(arrow + 4)));
            else if (line[1] == '<')
                error = Expect(end, Text(rest));
            else if (line[1] == '?' && !QTest::qWaitFor([&end] { return end.Waiting(); }, 5000))
                error = "nothing came";
            else if (line[1] == '~')
                end.HangUp();
            else if (line[1] == '+' && !(end.got.clear(), end.Open()))
                error = "it did not open";
            else if (line[1] == '-')
                end.got = (end.Read(), QByteArray());
            else if (line[1] == '.')
                end.reading = false;
            else if (line[1] == '=' && !QTest::qWaitFor([&] {
                         return QStringList{"", rest}.contains(end.State());
                     }))
                error = "state " + end.State();
            if (!error.isEmpty())
                return QStringLiteral("%1, at %2: %3").arg(name, QString::fromLatin1(line), error);
        }
        for (auto& [n, end] : ends)
            if (!(end->got += end->Read()).isEmpty())
                return QStringLiteral("%1: end %2 was left with %3").arg(name).arg(n).arg(Shown(end->got));
        return {};
    }

  private:
    static QString Shown(const QByteArray& bytes) {
        return QString::fromLatin1(bytes.toPercentEncoding(" "));
    }
    QByteArray Text(QByteArray text) const {
        text.replace("\\r", "\r").replace("\\n", "\n");
        for (const auto& [key, value] : vars)
            text.replace("${" + key + "}", value);
        return text;
    }
    static QString Expect(CallEnd& end, const QByteArray& want) {
        if (end.deaf)
            return QTest::qWait(300), QString();
        if (!QTest::qWaitFor([&] { return (end.got += end.Read()).size() >= want.size(); }, 10000) ||
            !end.got.startsWith(want) || (end.wholeReads && end.got.size() > want.size()))
            return QStringLiteral("got %1, wanted %2").arg(Shown(end.got), Shown(want));
        end.got.remove(0, want.size());
        return {};
    }
};

} // namespace qx::test
