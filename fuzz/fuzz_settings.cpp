// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The stored settings: the line settings text as the port parses and reports it and the window splits and
// joins it, then the start-up load of a store file made of the input. A text that parses reports back as
// itself (parity in lower case, no leading zeros) and parses again the same; the window's fields join back
// to it; the load applies every stored value or refuses with a short warning, the port keeping what it took.
#include "fuzzcheck.h"
#include "linesettings.h"
#include "mscomm.h"
#include "portsettings.h"
#include "portstore.h"

using namespace qx;

static void CheckText(const QString& text) {
    const std::optional<LineSettings> parsed = ParseLineSettings(text);
    (void)SplitLineSettings(text); // a stored text of any shape opens in the window
    if (!parsed)
        return;
    const QString formatted = FormatLineSettings(*parsed);
    const qsizetype zeros = text.indexOf(QRegularExpression("[^0]")); // the speed is at least 50: not all 0
    const LineSettingsFields f = SplitLineSettings(formatted);        // as the window shows them
    QX_FUZZ_CHECK(ParseLineSettings(formatted) == parsed &&
                  formatted.compare(text.sliced(zeros), Qt::CaseInsensitive) == 0 && f.parity >= 0 &&
                  ParseLineSettings(JoinLineSettings(f.speed, f.parity, f.dataBits, f.stopBits)) == parsed);
}

QX_FUZZ_APP(QCoreApplication)

QX_FUZZ_TARGET(bytes) {
    const QByteArray input = bytes.toByteArray();
    CheckText(QString::fromLatin1(input));
    CheckText(QString::fromUtf8(input));
    // A new file each time, as a store remembers what it read by file name; removed after the store.
    static QTemporaryDir folder;
    static quint64 serial = 0;
    QFile file(folder.filePath(QStringLiteral("store%1.conf").arg(serial++)));
    const auto removed = qScopeGuard([&] { file.remove(); });
    QX_FUZZ_CHECK(folder.isValid() && file.open(QIODevice::WriteOnly) && file.write(input) == input.size());
    file.close();
    const PortStore store(file.fileName());
    const StoredPort stored = store.Load();
    const std::optional<LineSettings> parsed = ParseLineSettings(stored.settings);
    MSComm port; // the real serial port, closed
    const QString before = port.Settings();
    QString warning;
    if (LoadPortSettings(port, store, &warning))
        QX_FUZZ_CHECK(
            warning.isEmpty() &&
            (stored.settings.isEmpty() || (parsed && port.Settings() == FormatLineSettings(*parsed))) &&
            (stored.commPort.isEmpty() || port.CommPort() == stored.commPort.toInt()) &&
            (stored.handshaking.isEmpty() || port.Handshaking() == stored.handshaking.toInt()));
    else
        QX_FUZZ_CHECK(!warning.isEmpty() && warning.size() <= 200 &&
                      (stored.settings.isEmpty() || parsed || port.Settings() == before));
    // The store's other readers take whatever the file holds.
    for (int n = 0; n <= MSComm::kMaxCommPort; ++n)
        QX_FUZZ_CHECK(store.PortDeviceName(n).size() <= 4096 + 16);
    QX_FUZZ_CHECK(store.ListenPort() >= 1 && store.PhonebookAddress(QStringLiteral("anna")).size() <= 300);
}
