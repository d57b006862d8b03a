// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The modem link: the port, waiting for a call or dialling it, hanging up, and everything that
// arrives on the line: modem replies, line errors and the messages of the other copy.
#include "frmmodemgm.h"
#include "frmmopt.h"
#include "frmquorvix.h"
#include "frmsmes.h"
#include "mscomm.h"
#include "portsettings.h"
#include "portstore.h"
#include "portswitch.h"
#include "sender.h"
#include "uistyle.h"
#include "waits.h"

#include <QApplication>
#include <QEvent>
#include <QInputDialog>
#include <QMessageBox>

namespace qx {

namespace {
const QString kWaitingForCall = QStringLiteral("Ожидание звонка");
const QString kDialling = QStringLiteral("Дозвон");

// The boxes of the port's line events; other codes say nothing.
QString LineEventText(int code) {
    static const std::pair<int, const char*> kEvents[] = {{7, "End of File Detected"},
                                                          {1001, "Break Received"},
                                                          {1002, "CTS Timeout"},
                                                          {1003, "DSR Timeout"},
                                                          {1004, "Framing Error"},
                                                          {1006, "Overrun Error"},
                                                          {1007, "Carrier Detect Timeout"},
                                                          {1008, "Receive Buffer Overflow"},
                                                          {1009, "Parity Error"},
                                                          {1010, "Transmit Buffer Full"},
                                                          {1011, "Error retrieving DCB"}};
    for (const auto& [c, text] : kEvents)
        if (c == code)
            return QString::fromLatin1(text);
    return {};
}
} // namespace

void frmQuorvix::BuildLink() {
    store_ = options_.settingsFile.isEmpty() ? std::make_unique<PortStore>()
                                             : std::make_unique<PortStore>(options_.settingsFile);
    PortStore* store = store_.get();
    // Port 7 is the modem built into the game, carried over TCP; the others are serial ports.
    NetModemConfig net;
    net.listenPort = store->ListenPort();
    net.phonebook = [store](const QString& number) {
        return store->PhonebookAddress(number);
    };
    auto* device = new SwitchPortDevice(new SerialPortDevice, new NetModemDevice(net));
    connect(device, &SwitchPortDevice::IncomingCall, this,
            [this](const QString& address) { AddLog(QStringLiteral("Входящий вызов: ") + address, Olive); });
    comm_ = new MSComm(
        device, [store](int n) { return store->PortDeviceName(n); }, this);
    comm_->setObjectName("MSComm");
    sender_ = new LineSender(comm_, this);
    connect(comm_, &MSComm::OnComm, this, &frmQuorvix::OnComm);
    connect(sender_, &LineSender::Failed, this, &frmQuorvix::PortWarning);

    modemGm = new frmModemGm(this);
    connect(modemGm, &frmModemGm::CreateClicked, this, &frmQuorvix::cmdCreateGm_Click);
    connect(modemGm, &frmModemGm::JoinClicked, this, [this] { Launch(cmdJoin_Click()); });
    connect(modemGm, &frmModemGm::CancelClicked, this, &frmQuorvix::cmdCancel_Click);
    connect(mnuHangUp, &QAction::triggered, this, &frmQuorvix::mnuHangUp_Click);
    connect(mnuModem, &QAction::triggered, this, &frmQuorvix::mnuModem_Click);
    lblIndic->installEventFilter(this);

    frmSMes_ = new frmSMes(this);
    connect(frmSMes_, &frmSMes::SendClicked, this, [this] { Launch(cmdSend_Click()); });
    connect(mnuSend, &QAction::triggered, this, &frmQuorvix::OpenChat);
    // Enter on either board or on the log opens the chat window while linked.
    for (BoardView* board : {picPole1, picPole2})
        connect(board, &BoardView::KeyPressed, this, [this](int key) {
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                OpenChat();
        });
    rtbChat->installEventFilter(this);

    QString why;
    if (!LoadPortSettings(*comm_, *store_, &why)) {
        // Shown once the window is on the screen; no game type prompt then.
        startupWarning_ = why.isEmpty() ? QStringLiteral("?") : why;
        options_.startNewGame = false;
    }
}

void frmQuorvix::PortWarning(const QString& description) {
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle, description, QMessageBox::Ok, this);
    box->setObjectName("portWarning");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void frmQuorvix::LineEventBox(const QString& text) {
    if (lineEventBox_) // one at a time: further line events meanwhile are dropped
        return;
    auto* box = new QMessageBox(QMessageBox::NoIcon, AppTitle, text, QMessageBox::Ok, this);
    box->setObjectName("lineEvent");
    box->setAttribute(Qt::WA_DeleteOnClose);
    lineEventBox_ = box;
    box->open();
}

void frmQuorvix::OnComm() {
    const int code = comm_->CommEvent();
    if (code == MSComm::CommEventReceive) {
        const QList<RxEvent> events = receiver_.Feed(comm_->Input());
        for (const RxEvent& e : events)
            HandleRx(e);
    } else if (code == MSComm::CommEventGone) {
        LinkDown(); // the device vanished: the port is closed already, as after a lost carrier
    } else if (const QString text = LineEventText(code); !text.isEmpty()) {
        LineEventBox(text);
    }
}

void frmQuorvix::HandleRx(const RxEvent& event) {
    switch (event.kind) {
    case RxEvent::Message:
        inbox_.push_back(event.body);
        PumpInbox();
        break;
    case RxEvent::CarrierLost:
        mnuHangUp_Click();
        break;
    case RxEvent::ModemError:
        AddLog(QStringLiteral("Модемная ошибка!!!"), Olive);
        break;
    case RxEvent::Connected:
        AddLog(QStringLiteral("Соединение установленно"), Olive);
        SetStatus(QStringLiteral("Расставьте свои корабли"));
        game_.Connected = true;
        game_.Placing = true;
        break;
    }
}

void frmQuorvix::PumpInbox() {
    if (!inboxRunning_ && !inbox_.empty())
        Launch(RunInbox());
}

QCoro::Task<> frmQuorvix::RunInbox() {
    // One message at a time: one whose handler waits is finished before the next starts. A new
    // game (received or the user's) ends this run; the messages behind it belong to the new game
    // and a fresh run takes them.
    inboxRunning_ = true;
    Handler h(gate_);
    while (!inbox_.empty() && h.Current()) {
        const QString body = inbox_.front();
        inbox_.pop_front();
        if (!co_await DoCmd(h, body)) {
            // Not a message of the game: a line the friend typed.
            AddLog(body, Red);
            QApplication::beep();
        }
    }
    if (h.Current())
        inboxRunning_ = false;
}

void frmQuorvix::mnuHangUp_Click() {
    HangUp();
}

void frmQuorvix::HangUp() {
    if (!comm_->PortOpen())
        return;
    sender_->Abandon();
    (void)comm_->Output(u"ATH");
    // The call ends with the DTR drop; the setting the user had comes back.
    const bool dtr = comm_->DTREnable();
    (void)comm_->SetDTREnable(true);
    (void)comm_->SetDTREnable(false);
    (void)comm_->SetDTREnable(dtr);
    (void)comm_->SetPortOpen(false);
    LinkDown();
}

void frmQuorvix::LinkDown() {
    inbox_.clear();
    mnuSend->setEnabled(false);
    mnuHangUp->setEnabled(false);
    game_.Connected = false;
    QApplication::beep();
    // A call, a placement or a battle under way ends in a new game; so does waiting for a friend
    // who is gone. A finished battle stays on the boards.
    const QString status = lblStatus->text();
    if (status == kWaitingForCall || status == kDialling || status == QStringLiteral("Ждем противника") ||
        !game_.GameStopped || game_.Placing)
        NewGame();
}

void frmQuorvix::mnuModem_Click() {
    // Built afresh on every opening, from the port as it is now; a second choice only raises it.
    if (!modemOpt_)
        modemOpt_ = new frmMOpt(comm_, store_.get(), this);
    modemOpt_->show();
    modemOpt_->raise();
    modemOpt_->activateWindow();
}

void frmQuorvix::HideModemWindow() {
    modemGm->setEnabled(false);
    modemGm->hide();
}

void frmQuorvix::cmdCreateGm_Click() {
    if (!comm_->PortOpen())
        if (const PortResult r = comm_->SetPortOpen(true); !r)
            PortWarning(r.error);
    game_.IsCreator = true;
    SetStatus(kWaitingForCall);
    mnuHangUp->setEnabled(true);
    (void)comm_->Output(u"ATS0=1\r\n");
    HideModemWindow();
}

QCoro::Task<> frmQuorvix::cmdJoin_Click() {
    if (numberBox_) {
        numberBox_->raise();
        co_return;
    }
    Handler h(gate_);
    auto* box = new QInputDialog(modemGm);
    box->setObjectName("numberBox");
    box->setWindowTitle(kDialling);
    box->setLabelText(QStringLiteral("Введите телефонный номер"));
    box->setTextValue(QString());
    numberBox_ = box;
    box->open();
    co_await h.Wait(SignalOrGone(box, &QDialog::finished, std::chrono::milliseconds(0)));
    const QString number = box->result() == QDialog::Accepted ? box->textValue() : QString();
    box->deleteLater();
    if (number.isEmpty())
        co_return; // the modem window stays up
    game_.IsCreator = false;
    game_.MyFirstMove = false;
    SetStatus(kDialling);
    mnuHangUp->setEnabled(true);
    if (!comm_->PortOpen())
        if (const PortResult r = comm_->SetPortOpen(true); !r)
            PortWarning(r.error);
    (void)comm_->Output(QStringLiteral("ATDP") + number + QStringLiteral("\r\n"));
    HideModemWindow();
}

void frmQuorvix::cmdCancel_Click() {
    NewGame();
    HideModemWindow();
}

} // namespace qx
