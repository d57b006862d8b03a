// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The port settings that outlive a run, and the texts the settings window shows them in.
#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <memory>

class QSettings;

namespace qx {

// Port number 7 is no serial port: it is the modem built into the game, whose calls go over TCP.
inline constexpr int kNetworkPort = 7;
inline constexpr quint16 kDefaultListenPort = 23230;
// The device name that stands for it.
inline const QString kNetworkDevice = QStringLiteral("tcp:");

// The three values as stored; a missing one is an empty text.
struct StoredPort {
    QString settings;    // line settings as the port reported them, e.g. "19200,e,8,1"
    QString commPort;    // decimal text, e.g. "2"
    QString handshaking; // decimal text "0".."3"
    friend bool operator==(const StoredPort&, const StoredPort&) = default;
};

// The per-user settings store of the game, section "Properties". Its section "Ports" may name the
// device behind a port number ("Com1=/dev/ttyUSB0"), for machines whose ports are not the usual ones.
class PortStore {
  public:
    PortStore();                                // the user's own store
    explicit PortStore(const QString& iniFile); // a file of the caller's choosing
    ~PortStore();
    PortStore(const PortStore&) = delete;
    PortStore& operator=(const PortStore&) = delete;

    StoredPort Load() const;
    // The three are written together. A store that cannot be written is not an error.
    void Save(const QString& settings, int commPort, int handshaking);

    // The device that port number n (1-based) opens: "COMn" on Windows, "/dev/ttyS(n-1)" elsewhere,
    // unless the store names another; kNetworkDevice for kNetworkPort. Empty for a number below 1.
    QString PortDeviceName(int n) const;

    // The network modem: the TCP port it answers calls on (section "Network", key "ListenPort"), and
    // the address a "number" stands for in the phonebook (section "Phonebook", e.g. "anna=host:port");
    // empty when the number is not there.
    quint16 ListenPort() const;
    QString PhonebookAddress(const QString& number) const;

  private:
    std::unique_ptr<QSettings> store_;
};

// The settings window's fields for a line settings text.
struct LineSettingsFields {
    QString speed;
    int parity = -1; // index into kParityEntries, -1 when the letter is none of e m n o s
    QString dataBits;
    QString stopBits;
    friend bool operator==(const LineSettingsFields&, const LineSettingsFields&) = default;
};

// The parity list of the settings window, in its sorted order; the parity letter is the lower-case
// first letter of the entry.
inline constexpr std::array<QStringView, 5> kParityEntries = {u"Even", u"Mark", u"None", u"Odd", u"Space"};

// Reads the fields counting from the end, so any speed fits, provided the data bits are one digit. A
// short or malformed text gives empty fields rather than reading outside it.
LineSettingsFields SplitLineSettings(QStringView text);

// The text "Применить" gives the port: trimmed speed, the parity entry's first letter (upper case,
// empty when none is chosen), trimmed data and stop bits, separated by commas.
QString JoinLineSettings(QStringView speed, int parity, QStringView dataBits, QStringView stopBits);

} // namespace qx
