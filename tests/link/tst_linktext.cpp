// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The link's text: the code page, the messages and what the peer reads in them, the receive rules,
// and the port settings as the store keeps them.
#include "cp1251.h"
#include "mscomm.h"
#include "plainreceiver.h"
#include "portstore.h"
#include "protocol.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <string>
#endif

using namespace qx;

// The system's own Windows-1251: Qt's codec where Qt has one (with ICU), the code page that Windows
// itself knows; empty where there is neither.
static QString SystemCp1251(const QByteArray& bytes) {
#ifdef Q_OS_WIN
    std::wstring out(std::size_t(bytes.size()), L'\0');
    const int n =
        ::MultiByteToWideChar(1251, 0, bytes.constData(), int(bytes.size()), out.data(), int(out.size()));
    return QString::fromWCharArray(out.data(), n);
#else
    QStringDecoder system("windows-1251");
    return system.isValid() ? system.decode(bytes) : QString();
#endif
}

// Line noise rich in the modem's words, the terminator and their pieces. With `sparks`, the noise
// completes nothing (no LF, no terminator, no "ERROR") but for that many sparks, so the buffer fills
// up between them.
static QString Noise(QRandomGenerator& rng, qsizetype size, int sparks = -1) {
    static const QStringList pieces = {"NO CARRIER", "OK",     "ATS", "ATDP", "ERROR", "CONNECT",
                                       "CONN",       "\r",     "\n",  "\r\n", "@~",    "#",
                                       "@~#",        "ATS0=1", "NO ", "х•]"};
    QString text;
    while (text.size() < size) {
        const quint32 pick = rng.bounded(pieces.size() + 8);
        text += pick < quint32(pieces.size()) ? pieces[pick] : QString(Cp1251Char(uchar(rng.bounded(256))));
    }
    if (sparks < 0)
        return text;
    text.replace(u'\n', u' ').replace(u'#', u'x').replace(QStringLiteral("ERROR"), QStringLiteral("ERR0R"));
    for (int i = 0; i < sparks; ++i)
        text.insert(rng.bounded(text.size()), QStringList{"\r\n", "@~#", "ERROR"}[rng.bounded(3)]);
    return text;
}

class TestLinkText : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    // What the peer makes of a received body: its kind, and the cell or the outcome it reads.
    static QString Reading(const QString& body) {
        static const char* const kinds[] = {"chat", "new game", "you begin", "ready", "shot", "result"};
        static const char* const outcomes[] = {"water", "hit", "sunk", "repeated", "unknown"};
        const MsgKind kind = Classify(body);
        const QString text = QString::fromLatin1(kinds[int(kind)]);
        const auto shot = ReadShot(body);
        const auto result = ReadResult(body);
        if (kind == MsgKind::Shot)
            return text + (shot ? QStringLiteral(" %1,%2").arg(shot->x).arg(shot->y) : " dropped");
        if (kind != MsgKind::Result || !result)
            return text + (kind == MsgKind::Result ? " dropped" : "");
        return text + ' ' + outcomes[result->outcome] +
               (result->outcome == ResultMsg::Sunk
                    ? QStringLiteral(" %1,%2,%3").arg(result->hx).arg(result->hy).arg(result->code)
                    : QString());
    }

  private slots:
    // Every byte but the undefined 0x98 stands for its own character, the one the system's codec
    // knows where it has one, and comes back from it.
    void everyByteRoundTrips() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += b == 0x98 ? "" : QByteArray(1, char(b));
        const QString text = FromCp1251(all);
        QCOMPARE(ToCp1251(text), all);
        QCOMPARE(FromCp1251("a\x98z"), QStringLiteral("a\uFFFDz"));
        if (SystemCp1251(all).isEmpty())
            QSKIP("no Windows-1251 codec in this Qt build");
        QCOMPARE(text, SystemCp1251(all));
    }

    // A text or a message, what the peer reads in it (without the terminator), and its bytes on the
    // line; bytes without a '?' read back as the text.
    void reading() {
        const std::tuple<const char*, QString, const char*, QByteArray> rows[] = {
            {"sentence", "Привет, командир!", "chat",
             "\xCF\xF0\xE8\xE2\xE5\xF2, \xEA\xEE\xEC\xE0\xED\xE4\xE8\xF0!"},
            {"alphabet ends, yo, number sign", "АаЯяЁё№", "chat", "\xC0\xE0\xDF\xFF\xA8\xB8\xB9"},
            {"unmappable, emoji as one mark", "Ход: 日é\uFFFD🚀 Б", "chat", "\xD5\xEE\xE4: ???? \xC1"},
            {"lone surrogates, high at the end", QString::fromUtf16(u"a\xDE80-\xD83D"), "chat", "a?-?"},
            {"new game", NewGameMessage(), "new game", "0^N@~#"},
            {"you begin", YouBeginMessage(), "you begin", "&`%@~#"},
            {"ready", ReadyMessage(), "ready", ">;+@~#"},
            {"shot", ShotMessage(3, 7), "shot 3,7", "37_}m@~#"},
            {"chat", ChatMessage(u"Привет"), "chat", "\xCF\xF0\xE8\xE2\xE5\xF2@~#"},
            {"water", ResultMessage({ResultMsg::Water}), "result water", "0\xF5\x95]@~#"},
            {"hit", ResultMessage({ResultMsg::Hit}), "result hit", "1\xF5\x95]@~#"},
            {"shot before", ResultMessage({ResultMsg::Repeated}), "result repeated", "5\xF5\x95]@~#"},
            {"sunk vertical two-deck", ResultMessage({ResultMsg::Sunk, 5, 1, 2}), "result sunk 5,1,2",
             "51022\xF5\x95]@~#"},
            {"sunk horizontal four-deck", ResultMessage({ResultMsg::Sunk, 0, 9, 8}), "result sunk 0,9,8",
             "09082\xF5\x95]@~#"}};
        for (const auto& [name, body, reading, bytes] : rows) {
            const QString read =
                Reading(body.endsWith(kTerminator) ? body.chopped(kTerminator.size()) : body);
            QCOMPARE(QStringList({name, read}), QStringList({name, reading}));
            QCOMPARE(ToCp1251(body), bytes);
            if (!bytes.contains('?'))
                QCOMPARE(FromCp1251(bytes), body);
        }
        // Only the characters just before the marker count; a body too short for them is dropped. Each
        // body, then what the peer reads in it.
        const QString bodies = "Ну и ход 37_}m=shot 3,7|garbage 09_}m=shot 0,9|ax_}m=shot 0,0|7_}m=shot "
                               "dropped|0^N =chat|^N=chat|"
                               "1Х•]=chat|abc1х•]=result hit|7х•]=result unknown|xx99082х•]=result sunk "
                               "9,9,8|51002х•]=result unknown|"
                               "51092х•]=result unknown|51122х•]=result unknown|x13x2х•]=result sunk "
                               "0,1,3|51x32х•]=result unknown|"
                               "1022х•]=result dropped|х•]=result dropped";
        for (const QString& row : bodies.split(u'|'))
            QCOMPARE(row.section(u'=', 0, 0) + '=' + Reading(row.section(u'=', 0, 0)), row);
    }

    // The reads, the events they give ("<clear>" clears the receiver instead), what stays buffered.
    void feed() {
        const std::tuple<QStringList, QStringList, QString> rows[] = {
            {{"3", "7_}m@~", "#"}, {"msg:37_}m"}, ""}, // a message over three reads
            {{"&`%@~#>;+@~#Привет@~#Ка"}, {"msg:&`%", "msg:>;+", "msg:Привет"}, "Ка"},
            {{"hi@~#\r\nNO CARRIER\r\n"}, {"msg:hi", "lost"}, ""},           // a reply behind a message
            {{"\r\nNO CARR", "IER@~#\r\n"}, {"msg:\r\nNO CARRIER"}, "\r\n"}, // no word across a terminator
            {{"NO CARRIER\r\nERROR@~#"}, {"msg:NO CARRIER\r\nERROR"}, ""},   // modem words inside a message
            {{"ATS0=1\r\r\nOK\r\n\r\nRING\r\n", "\r\nCONNECT 9600", "\r\n"}, {"connected"}, ""},
            {{"\r\nOK\r\n"}, {}, "\r\nOK\r\n"},           // OK without the answer command's echo
            {{"ATS\r\nOK\r\n"}, {}, ""},                  // its line end at position 8
            {{"AT\r\nOK\r\nATS"}, {}, "AT\r\nOK\r\nATS"}, // at position 7
            {{"ATDP5551234\r"}, {}, "ATDP5551234\r"},     // a dial echo without its line end
            {{"ATDP123\r", "\r\nCONNECT 9600\r\n"}, {"connected"}, ""},
            {{"\r\nCONNECT\r\n", "\r\nCONNECT\r\n"}, {"connected", "connected"}, ""}, // while linked
            {{"ERROR\r\nNO CARRIER\r\n"}, {"lost"}, ""},             // the carrier lost comes before an error
            {{"an ERROR of m", "ine@~#"}, {"error", "msg:ine"}, ""}, // an error in a chat fragment
            {{"\r\nconnect 9600\r\nerror no carrier\r\n"}, {}, "\r\nconnect 9600\r\nerror no carrier\r\n"},
            {{QString(100, u'x') + "OK", "<clear>", "ATS\r\nOK\r\n"}, {}, ""}}; // clear forgets everything
        for (const auto& [reads, events, rest] : rows) {
            LinkReceiver rx;
            QStringList got;
            for (const QString& read : reads)
                got << (read == "<clear>" ? (rx.Clear(), QStringList()) : test::Names(rx.Feed(read)));
            QCOMPARE(got, events);
            QCOMPARE(rx.RxBuffer().toString(), rest);
        }
    }

    // Random noise in random reads: the same outcome as the rules read literally, read by read. Then
    // megabytes without a terminator, in reads of every size down to one character, stay bounded.
    void noise() {
        for (quint32 seed = 1; seed <= 50; ++seed) {
            QRandomGenerator rng(seed);
            const QString text = seed <= 40 ? Noise(rng, 6000) : Noise(rng, 50000, 6);
            LinkReceiver rx;
            test::PlainReceiver plain;
            for (qsizetype at = 0, n; at < text.size(); at += n) {
                n = 1 + rng.bounded(rng.bounded(2) ? 8 : 400);
                const QString read = text.mid(at, n);
                QCOMPARE(test::Names(rx.Feed(read)), plain.Feed(read));
                QCOMPARE(rx.RxBuffer(), plain.buf);
            }
        }
        QRandomGenerator rng(7);
        LinkReceiver rx;
        for (int round = 0; round < 64; ++round) {
            const QString text = Noise(rng, 64 * 1024, rng.bounded(3));
            for (qsizetype at = 0, n; at < text.size(); at += n) {
                n = 1 + rng.bounded(round % 4 == 0 ? 1 : 4096);
                rx.Feed(QStringView(text).sliced(at, std::min(n, text.size() - at)));
                QVERIFY(rx.RxBuffer().size() <= LinkReceiver::MaxBuffer);
            }
        }
    }

    // A text and its fields: speed, the parity's entry (-1 for none), data bits, stop bits.
    void split() {
        const std::pair<QString, LineSettingsFields> rows[] = {
            {"9600,n,8,1", {"9600", 2, "8", "1"}},
            {"38400,n,8,1.5", {"38400", 2, "8", "1.5"}},
            {"115200,e,7,2", {"115200", 0, "7", "2"}},
            {"19200,o,8,1", {"19200", 3, "8", "1"}},
            {"9600,N,8,1", {"9600", -1, "8", "1"}},
            {"9600,,8,1", {"960", -1, "8", "1"}},
            {"s,8,1", {"", 4, "8", "1"}},
            {"", {"", -1, "", ""}},
            {",", {"", -1, "", ","}},
            {"1.5", {"", -1, "", "1.5"}},
            {QString(1000, u','), {QString(994, u','), -1, ",", ","}}};
        for (const auto& [text, fields] : rows)
            QVERIFY2(SplitLineSettings(text) == fields, qPrintable(text));
        QCOMPARE(JoinLineSettings(u" 38400 ", 3, u" 8", u"1.5 "), "38400,O,8,1.5");
        QCOMPARE(JoinLineSettings(u"9600", -1, u"8", u"1"), "9600,,8,1");
        QCOMPARE(JoinLineSettings(u"9600", 5, u"8", u"1"), "9600,,8,1");
        // The port hands the letter back in lower case; the window then selects the same entry.
        for (int parity = 0; parity < int(kParityEntries.size()); ++parity) {
            const QString text = JoinLineSettings(u"19200", parity, u"7", u"2").toLower();
            QCOMPARE(SplitLineSettings(text), (LineSettingsFields{"19200", parity, "7", "2"}));
        }
    }

    // A hand-written store: settings without quotes, a value that is no text, port device names, and
    // the modem built into the game: its port number, listening port (set, out of range, not a number,
    // missing) and phonebook.
    void handEdited() {
        for (const auto& [listen, port] : {std::pair<QByteArray, int>{"ListenPort= 4000", 4000},
                                           {"ListenPort=70000", 23230},
                                           {"ListenPort=x", 23230},
                                           {"", 23230}}) {
            // A file for each: a store caches what it read from a file name.
            QFile file(dir_.filePath(QString::number(port) + listen.toHex() + ".ini"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(
                "[Properties]\nSettings=38400,n,8,1.5\nCommPort=@Rect(1 2 3 4)\n[Ports]\nCom1=/dev/ttyUSB0\n"
                "Com2=\nCom3=" +
                QByteArray(5000, 'a') + "\nCom4=/dev/tty\\0S1\nCom7=/dev/ttyS6\n[Network]\n" + listen +
                "\n[Phonebook]\nanna=game.example.org:4000\na\\b=x:1\n");
            file.close();
            const PortStore store(file.fileName());
            QCOMPARE(store.Load(), (StoredPort{"38400,n,8,1.5", "", ""}));
            QCOMPARE(store.PortDeviceName(1), "/dev/ttyUSB0");
            for (int n = 2; n <= 5; ++n) // empty, too long, holding a zero, missing
                QCOMPARE(store.PortDeviceName(n), MSComm::DefaultDevicePath(n));
            QCOMPARE(store.PortDeviceName(0), QString());
            QCOMPARE(std::pair(listen, int(store.ListenPort())), std::pair(listen, port));
            QCOMPARE(store.PortDeviceName(kNetworkPort), kNetworkDevice);
            QCOMPARE(store.PhonebookAddress(" anna "), "game.example.org:4000");
            for (const char* number :
                 {"nobody", "", "a/b", "a\\b"}) // a number is never a path into the store
                QCOMPARE(store.PhonebookAddress(number), QString());
        }
    }
};

QTEST_MAIN(TestLinkText)
#include "tst_linktext.moc"
