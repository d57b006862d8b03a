// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The stored settings: the line settings text as the port parses and reports it and as the settings
// window splits and joins it, and the start-up load over a store file made of the input.
//
// What must hold: a text that parses reports back as itself (the parity letter in lower case, the
// speed without leading zeros) and parses again to the same settings; the window's fields of a
// reported text join back to it; the load either applies every stored value or refuses with a short
// warning, and the port keeps exactly what it took.
#include "fuzzcheck.h"
#include "linesettings.h"
#include "mscomm.h"
#include "portsettings.h"
#include "portstore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

using namespace qx;

namespace {

// Removed with everything in it when the run ends.
QTemporaryDir& Folder() {
    static QTemporaryDir folder;
    return folder;
}

void CheckText(const QString& text) {
    const std::optional<LineSettings> parsed = ParseLineSettings(text);
    (void)SplitLineSettings(text); // a stored text of any shape opens in the window
    if (!parsed) {
        return;
    }
    const QString formatted = FormatLineSettings(*parsed);
    QX_FUZZ_CHECK(ParseLineSettings(formatted) == parsed);
    qsizetype zeros = 0; // the speed is at least 50: a digit other than 0 follows them
    while (text[zeros] == u'0') {
        ++zeros;
    }
    QX_FUZZ_CHECK(formatted.compare(text.sliced(zeros), Qt::CaseInsensitive) == 0);
    const LineSettingsFields fields = SplitLineSettings(formatted);
    QX_FUZZ_CHECK(fields.parity >= 0);
    const QString joined = JoinLineSettings(fields.speed, fields.parity, fields.dataBits, fields.stopBits);
    QX_FUZZ_CHECK(ParseLineSettings(joined) == parsed);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    QX_FUZZ_CHECK(Folder().isValid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(bytes), qsizetype(size));
    CheckText(QString::fromLatin1(input));
    CheckText(QString::fromUtf8(input));

    // A file of its own every time: a store remembers what it read from a file name.
    static quint64 serial = 0;
    const QString path = Folder().filePath(QStringLiteral("store%1.conf").arg(serial++));
    {
        QFile file(path);
        QX_FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(input) == input.size());
    }
    {
        const PortStore store(path);
        const StoredPort stored = store.Load();
        MSComm port; // the real serial port, closed
        const QString before = port.Settings();
        QString warning;
        if (LoadPortSettings(port, store, &warning)) {
            QX_FUZZ_CHECK(warning.isEmpty());
            const auto parsed = ParseLineSettings(stored.settings);
            QX_FUZZ_CHECK(stored.settings.isEmpty() ||
                          (parsed && port.Settings() == FormatLineSettings(*parsed)));
            QX_FUZZ_CHECK(stored.commPort.isEmpty() || port.CommPort() == stored.commPort.toInt());
            QX_FUZZ_CHECK(stored.handshaking.isEmpty() || port.Handshaking() == stored.handshaking.toInt());
        } else {
            QX_FUZZ_CHECK(!warning.isEmpty() && warning.size() <= 200);
            QX_FUZZ_CHECK(stored.settings.isEmpty() || ParseLineSettings(stored.settings) ||
                          port.Settings() == before);
        }
        // The store's other readers take whatever the file holds.
        for (int n = 0; n <= MSComm::kMaxCommPort; ++n) {
            QX_FUZZ_CHECK(store.PortDeviceName(n).size() <= 4096 + 16);
        }
        QX_FUZZ_CHECK(store.ListenPort() >= 1);
        QX_FUZZ_CHECK(store.PhonebookAddress(QStringLiteral("anna")).size() <= 300);
    }
    QFile::remove(path);
    return 0;
}
