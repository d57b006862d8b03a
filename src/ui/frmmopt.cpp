// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmmopt.h"

#include "mscomm.h"
#include "portstore.h"
#include "uistyle.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <iterator>

namespace qx {

namespace {

const QColor kPanel(255, 224, 192);
const QColor kButton(128, 255, 128);

// The window's layout is drawn up in twips, 15 to a pixel.
int Px(int twips) {
    return (twips * 2 + 15) / 30; // nearest pixel
}

QRect Twips(int left, int top, int width, int height) {
    return {Px(left), Px(top), Px(width), Px(height)};
}

QFont CaptionFont() {
    return UiFont("Times New Roman", 12); // 9 points
}

void SetBackground(QWidget* w, QColor colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// Lists keep their entries in text order: each entry goes in after every entry not greater than it.
void AddSorted(QComboBox* list, const QString& entry) {
    int i = 0;
    while (i < list->count() && QString::compare(list->itemText(i), entry, Qt::CaseInsensitive) <= 0)
        ++i;
    list->insertItem(i, entry);
}

// Selects the entry with exactly this text; a text that is not in the list leaves no selection.
void Select(QComboBox* list, const QString& text) {
    list->setCurrentIndex(text.isEmpty() ? -1 : list->findText(text));
}

int ParityIndex(const QString& entry) {
    for (int i = 0; i < int(kParityEntries.size()); ++i) {
        if (kParityEntries[i] == entry)
            return i;
    }
    return -1;
}

QLabel* Label(QWidget* parent, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setFont(CaptionFont());
    label->move(Px(left), Px(top));
    label->adjustSize();
    return label;
}

QGroupBox* Group(QWidget* parent, const char* name, const QString& title, QRect geometry) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(name);
    group->setGeometry(geometry);
    group->setFont(CaptionFont());
    SetBackground(group, kPanel);
    return group;
}

} // namespace

frmMOpt::frmMOpt(MSComm* port, PortStore* store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      port_(port), store_(store) {
    setObjectName("frmMOpt");
    setWindowTitle(QStringLiteral("Настройки модема"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFixedSize(Px(4755), Px(3885));
    BuildControls();
    ShowLiveConfiguration();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void frmMOpt::BuildControls() {
    auto* panel = new QWidget(this);
    panel->setObjectName("fraSettings");
    panel->setGeometry(Twips(0, 0, 4845, 3855));
    SetBackground(panel, kPanel);

    // The lists and buttons keep the usual font; only captions, labels and options use the serif one.
    const QFont plain = QApplication::font("QComboBox");
    const auto makeList = [&](QWidget* parent, const char* name, QRect geometry) {
        auto* list = new QComboBox(parent);
        list->setObjectName(name);
        list->setGeometry(geometry);
        list->setFont(plain);
        return list;
    };
    const auto makeButton = [&](const char* name, const QString& text, QRect geometry) {
        auto* button = new QPushButton(text, panel);
        button->setObjectName(name);
        button->setGeometry(geometry);
        QPalette p = button->palette();
        p.setColor(QPalette::Button, kButton);
        p.setColor(QPalette::ButtonText, Qt::black);
        button->setPalette(p);
        return button;
    };

    cmdOK_ = makeButton("cmdOK", QStringLiteral("Применить"), Twips(840, 3480, 1440, 300));
    cmdOK_->setDefault(true);
    cmdCancel_ = makeButton("cmdCancel", QStringLiteral("Отмена"), Twips(2640, 3480, 1440, 300));
    connect(cmdOK_, &QPushButton::clicked, this, &frmMOpt::Apply);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);

    Label(panel, QStringLiteral("Порт:"), 240, 180)->setObjectName("lblPort");
    cboPort_ = makeList(panel, "cboPort", Twips(900, 150, 1665, 315));

    auto* fraFlow =
        Group(panel, "fraFlow", QStringLiteral("Контроль передачи:"), Twips(2760, 120, 1980, 1350));
    optFlow_ = new QButtonGroup(this);
    optFlow_->setObjectName("optFlow");
    const QString flowCaptions[] = {QStringLiteral("Не проверять"), QStringLiteral("Xon/Xoff"),
                                    QStringLiteral("RTS"), QStringLiteral("Xon/RTS")};
    for (int i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(flowCaptions[i], fraFlow);
        option->setObjectName(QStringLiteral("optFlow%1").arg(i));
        option->setGeometry(Twips(240, 240 + 240 * i, 1620, 255));
        option->setFont(CaptionFont());
        optFlow_->addButton(option, i);
    }
    connect(optFlow_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            flowChoice_ = id;
    });

    auto* fraSpeed =
        Group(panel, "fraSpeed", QStringLiteral("Максимальная скорость:"), Twips(240, 600, 2340, 870));
    cboSpeed_ = makeList(fraSpeed, "cboSpeed", Twips(375, 360, 1695, 315));

    auto* fraConnection =
        Group(panel, "fraConnection", QStringLiteral("Параметры подключения:"), Twips(240, 1560, 4495, 1770));
    cboDataBits_ = makeList(fraConnection, "cboDataBits", Twips(2040, 330, 2100, 315));
    Label(fraConnection, QStringLiteral("Биты данных:"), 180, 375)->setObjectName("lblDataBits");
    cboParity_ = makeList(fraConnection, "cboParity", Twips(2040, 840, 2100, 315));
    Label(fraConnection, QStringLiteral("Четность:"), 180, 855)->setObjectName("lblParity");
    cboStopBits_ = makeList(fraConnection, "cboStopBits", Twips(2040, 1320, 2100, 315));
    Label(fraConnection, QStringLiteral("Стоповые биты:"), 180, 1320)->setObjectName("lblStopBits");

    QWidget* order[] = {cmdOK_,
                        cmdCancel_,
                        cboPort_,
                        optFlow_->button(0),
                        optFlow_->button(1),
                        optFlow_->button(2),
                        optFlow_->button(3),
                        cboSpeed_,
                        cboDataBits_,
                        cboParity_,
                        cboStopBits_};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    cmdOK_->setFocus();
}

void frmMOpt::ShowLiveConfiguration() {
    for (int n = 1; n <= 6; ++n)
        AddSorted(cboPort_, QStringLiteral("Com%1").arg(n));
    AddSorted(cboPort_, QStringLiteral("Сеть (TCP/IP)")); // port 7, the modem built into the game
    for (const char* speed : {"9600", "14400", "19200", "28800", "38400", "56000", "57600", "115200"})
        AddSorted(cboSpeed_, QString::fromLatin1(speed));
    for (const char* bits : {"4", "5", "6", "7", "8"})
        AddSorted(cboDataBits_, QString::fromLatin1(bits));
    for (const char* parity : {"Even", "Odd", "None", "Mark", "Space"})
        AddSorted(cboParity_, QString::fromLatin1(parity));
    for (const char* bits : {"1", "1.5", "2"})
        AddSorted(cboStopBits_, QString::fromLatin1(bits));

    for (QComboBox* list : {cboPort_, cboSpeed_, cboDataBits_, cboParity_, cboStopBits_})
        list->setCurrentIndex(-1);
    if (!port_)
        return;

    const LineSettingsFields fields = SplitLineSettings(port_->Settings());
    Select(cboSpeed_, fields.speed);
    Select(cboParity_, fields.parity < 0 ? QString() : kParityEntries[fields.parity].toString());
    Select(cboDataBits_, fields.dataBits);
    Select(cboStopBits_, fields.stopBits);
    const int portIndex = port_->CommPort() - 1;
    cboPort_->setCurrentIndex(portIndex < cboPort_->count() ? portIndex : -1);

    // Selecting the live mode counts as choosing it.
    flowChoice_ = port_->Handshaking();
    if (QAbstractButton* option = optFlow_->button(flowChoice_))
        option->setChecked(true);
}

void frmMOpt::Apply() {
    if (!port_) {
        reject();
        return;
    }
    MSComm& port = *port_;

    // A port number beyond the list shows no selection; applying then keeps it.
    const int oldPort = port.CommPort();
    const int newPort = cboPort_->currentIndex() < 0 ? oldPort : cboPort_->currentIndex() + 1;
    if (newPort != oldPort) {
        // The new port opens with the next call; the running one, if any, ends here.
        if (port.PortOpen())
            port.SetPortOpen(false);
        if (const PortResult r = port.SetCommPort(newPort); !r) {
            port.SetCommPort(oldPort);
            Refused(r.error);
            return;
        }
    }

    const QString settings =
        JoinLineSettings(cboSpeed_->currentText(), ParityIndex(cboParity_->currentText()),
                         cboDataBits_->currentText(), cboStopBits_->currentText());
    if (const PortResult r = port.SetSettings(settings); !r) {
        Refused(r.error); // a port change above stays in force
        return;
    }
    if (const PortResult r = port.SetHandshaking(flowChoice_); !r) {
        Refused(r.error);
        return;
    }

    // What the port took, as it reports it (the parity letter in lower case).
    if (store_)
        store_->Save(port.Settings(), port.CommPort(), port.Handshaking());
    accept();
}

void frmMOpt::Refused(const QString& description) {
    // Shown without waiting for it: the window stays as it is, blocked until the box is closed.
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle, description, QMessageBox::Ok, this);
    box->setObjectName("msgRefused");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    emit FailureShown(description);
}

} // namespace qx
