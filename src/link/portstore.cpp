// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "portstore.h"

#include "serialline.h"

#include <QSettings>
#include <QStringList>

namespace qx {
namespace {

const QString kOwner = QStringLiteral("Quorvix");
const QString kSettingsKey = QStringLiteral("Properties/Settings");
const QString kCommPortKey = QStringLiteral("Properties/CommPort");
const QString kHandshakingKey = QStringLiteral("Properties/Handshaking");

constexpr qsizetype kMaxDeviceName = 4096;

// The store may have been edited by hand: an unquoted text with commas comes back as a list, which
// is what its writer meant as one text; anything that is no text at all reads as empty.
QString ReadText(const QSettings& store, const QString& key) {
    const QVariant value = store.value(key);
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(u',');
    }
    return value.canConvert<QString>() ? value.toString() : QString();
}

} // namespace

PortStore::PortStore()
    : store_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOwner, kOwner)) {}

PortStore::PortStore(const QString& iniFile)
    : store_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

PortStore::~PortStore() = default;

StoredPort PortStore::Load() const {
    return {ReadText(*store_, kSettingsKey), ReadText(*store_, kCommPortKey),
            ReadText(*store_, kHandshakingKey)};
}

void PortStore::Save(const QString& settings, int commPort, int handshaking) {
    store_->setValue(kSettingsKey, settings);
    store_->setValue(kCommPortKey, QString::number(commPort));
    store_->setValue(kHandshakingKey, QString::number(handshaking));
    store_->sync();
}

QString PortStore::PortDeviceName(int n) const {
    if (n < 1) {
        return {};
    }
    if (n == kNetworkPort) {
        return kNetworkDevice;
    }
    const QString named = ReadText(*store_, QStringLiteral("Ports/Com%1").arg(n));
    if (!named.isEmpty() && named.size() <= kMaxDeviceName && !named.contains(QChar::Null)) {
        return named;
    }
    return DefaultSerialDevice(n);
}

LineSettingsFields SplitLineSettings(QStringView text) {
    const qsizetype extra = text.contains(u'.') ? 2 : 0; // stop bits "1.5"
    const qsizetype size = text.size();
    // The character at a 1-based position counted as the window does; nothing before the start.
    auto at = [&](qsizetype position) {
        return position >= 1 ? text.sliced(position - 1, 1) : QStringView();
    };

    LineSettingsFields fields;
    fields.speed = text.first(std::max<qsizetype>(size - 6 - extra, 0)).toString();
    const QStringView letter = at(size - 4 - extra);
    for (qsizetype i = 0; i < qsizetype(kParityEntries.size()); ++i) {
        if (letter.size() == 1 && letter[0] == kParityEntries[i][0].toLower()) {
            fields.parity = int(i);
        }
    }
    fields.dataBits = at(size - 2 - extra).toString();
    fields.stopBits = text.right(extra + 1).toString();
    return fields;
}

QString JoinLineSettings(QStringView speed, int parity, QStringView dataBits, QStringView stopBits) {
    const bool chosen = parity >= 0 && parity < int(kParityEntries.size());
    QString text = speed.trimmed().toString();
    text += u',';
    if (chosen) {
        text += kParityEntries[parity][0];
    }
    return text.append(u',').append(dataBits.trimmed()).append(u',').append(stopBits.trimmed());
}

quint16 PortStore::ListenPort() const {
    bool ok = false;
    const uint port = ReadText(*store_, QStringLiteral("Network/ListenPort")).trimmed().toUInt(&ok);
    return ok && port >= 1 && port <= 65535 ? static_cast<quint16>(port) : kDefaultListenPort;
}

QString PortStore::PhonebookAddress(const QString& number) const {
    // A number is a key of its own, never a path into the store.
    const QString key = number.trimmed();
    if (key.isEmpty() || key.size() > 64 || key.contains(u'/') || key.contains(u'\\') ||
        key.contains(QChar::Null))
        return {};
    const QString address = ReadText(*store_, QStringLiteral("Phonebook/") + key).trimmed();
    return address.size() <= 300 ? address : QString();
}

} // namespace qx
