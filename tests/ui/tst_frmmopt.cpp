// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The port settings window and the start-up step that applies the stored settings.
#include "../link/fakeport.h"
#include "frmgametype.h"
#include "frmmopt.h"
#include "frmquorvix.h"
#include "mscomm.h"
#include "portsettings.h"
#include "portstore.h"
#include "uitest.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace qx;
using namespace qx::test;

namespace {

// A port over the fake device (which opens) and a store on a file of its own, filled beforehand with
// "settings|port|handshaking" (empty fields are left out).
struct Rig {
    QTemporaryDir dir;
    FakePort* device = new FakePort;
    MSComm port{device, {}};
    std::unique_ptr<PortStore> store;

    explicit Rig(const QString& stored = {}) {
        {
            QSettings ini(dir.filePath("port.ini"), QSettings::IniFormat);
            const QStringList values = stored.split(u'|');
            const char* const keys[] = {"Properties/Settings", "Properties/CommPort",
                                        "Properties/Handshaking"};
            for (int i = 0; i < values.size(); ++i)
                if (!values[i].isEmpty())
                    ini.setValue(keys[i], values[i]);
        }
        store = std::make_unique<PortStore>(dir.filePath("port.ini"));
    }
    QPointer<frmMOpt> Open() {
        auto* w = new frmMOpt(&port, store.get(), nullptr);
        w->show();
        return w;
    }
    QString Live() const { return Join(port.Settings(), port.CommPort(), port.Handshaking()); }
    QString Stored() const {
        const StoredPort s = store->Load();
        return QStringList{s.settings, s.commPort, s.handshaking}.join(u'|');
    }
    static QString Join(const QString& settings, int number, int flow) {
        return QStringLiteral("%1|%2|%3").arg(settings).arg(number).arg(flow);
    }
};

const char* const kLists[] = {"cboPort", "cboSpeed", "cboDataBits", "cboParity", "cboStopBits"};

// "port|speed|data bits|parity|stop bits|flow option" as the window shows them.
QString Shown(QWidget* w) {
    QStringList shown;
    for (const char* name : kLists)
        shown << w->findChild<QComboBox*>(name)->currentText();
    for (QRadioButton* option : w->findChildren<QRadioButton*>())
        if (option->isChecked())
            shown << option->text();
    return shown.join(u'|');
}

// The same fields as Shown: an empty one leaves a control alone, "-" clears a list's selection.
void Choose(QWidget* w, const QString& row) {
    const QStringList choice = row.split(u'|');
    for (int i = 0; i < 5; ++i) {
        auto* list = w->findChild<QComboBox*>(kLists[i]);
        if (!choice[i].isEmpty())
            list->setCurrentIndex(choice[i] == "-" ? -1 : list->findText(choice[i]));
    }
    for (QRadioButton* option : w->findChildren<QRadioButton*>())
        if (option->text() == choice[5])
            QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

void Click(QWidget* w, const char* button) {
    QTest::mouseClick(w->findChild<QPushButton*>(button), Qt::LeftButton);
}

} // namespace

class TestPortSettings : public QObject {
    Q_OBJECT

    QTemporaryDir userDir_;

  private slots:
    // The user's own store, where the system keeps it (the registry on Windows), moved where the test
    // may write wherever the system lets it be moved.
    void initTestCase() {
        QVERIFY(userDir_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userDir_.path());
    }

    // A failed case may leave its window open.
    void cleanup() {
        QList<QPointer<frmMOpt>> left;
        for (QWidget* w : QApplication::topLevelWidgets())
            left << qobject_cast<frmMOpt*>(w);
        qDeleteAll(left);
    }

    // Every list in text order, whatever order its entries are added in.
    void listsAreSorted() {
        Rig rig;
        QPointer<frmMOpt> w = rig.Open();
        QStringList lists;
        for (const char* name : {"cboSpeed", "cboParity", "cboStopBits"})
            for (int i = 0; i < w->findChild<QComboBox*>(name)->count(); ++i)
                lists << w->findChild<QComboBox*>(name)->itemText(i);
        QCOMPARE(lists.join(u' '),
                 "115200 14400 19200 28800 38400 56000 57600 9600 Even Mark None Odd Space 1 1.5 2");
    }

    // "Применить" by Enter or by a click stores what the port took; the other ways out change nothing.
    // Rows: stored; open (the port before); choice; how; live (the port after); open after.
    void closingAppliesOrChangesNothing_data() {
        Rows({{"odd parity", ";;|||Odd||;Enter;9600,o,8,1|1|0;"},
              {"new port closes", ";open;Com2|57600|7|Space|2|RTS;Enter;57600,s,7,2|2|2;"},
              {"same port stays open", ";open;Com1|19200||||Xon/Xoff;Применить;19200,n,8,1|1|1;open"},
              {"port beyond the list kept", "|9;;|||||;Enter;9600,n,8,1|9|0;"},
              {"Отмена", ";open;Com4|115200|5|Mark|2|Xon/RTS;Отмена;9600,n,8,1|1|0;open"},
              {"Esc", ";open;Com4|115200|5|Mark|2|Xon/RTS;Esc;9600,n,8,1|1|0;open"},
              {"close box", ";open;Com4|115200|5|Mark|2|Xon/RTS;close box;9600,n,8,1|1|0;open"}});
    }
    void closingAppliesOrChangesNothing() {
        const auto [stored, open, choice, how, live, openAfter] = Fields<6>();
        Rig rig(stored);
        QVERIFY(LoadPortSettings(rig.port, *rig.store, nullptr) && rig.port.SetPortOpen(!open.isEmpty()));
        QPointer<frmMOpt> w = rig.Open();
        Choose(w, choice);
        const QString chosen = Shown(w);
        const bool apply = how == "Enter" || how == "Применить";
        if (how == "Enter")
            QTest::keyClick(w->findChild<QComboBox*>("cboParity"), Qt::Key_Return); // from a list
        else if (how == "Esc")
            QTest::keyClick(w, Qt::Key_Escape);
        else if (how == "close box")
            w->close();
        else
            Click(w, apply ? "cmdOK" : "cmdCancel");
        QTRY_VERIFY(!w);
        QCOMPARE(rig.Live() + ' ' + rig.Stored(), live + ' ' + (apply ? live : "||"));
        QCOMPARE(rig.port.PortOpen(), !openAfter.isEmpty());
        if (rig.port.PortOpen()) // an open port takes new line settings at once
            QCOMPARE(rig.device->line.speed, live.section(u',', 0, 0).toInt());
        if (apply)
            QCOMPARE(Shown(rig.Open()), chosen);
    }

    // Each refusal: a warning in the port's words, the window stays, the steps before it stay done.
    // Rows: a value the open device refuses (none: the port stays closed); choice; what the warning
    // mentions; live.
    void aRefusedValueKeepsTheWindow_data() {
        Rows({{"no parity", ";|||-||;9600,,8,1;9600,n,8,1|1|0"},
              {"new port kept", ";Com2|||-||RTS;9600,,8,1;9600,n,8,1|2|0"},
              {"speed", "speed 115200;|115200||||RTS;speed 115200;9600,n,8,1|1|0"},
              {"flow", "flow 3;|19200||||Xon/RTS;flow 3;19200,n,8,1|1|0"}});
    }
    void aRefusedValueKeepsTheWindow() {
        const auto [refuse, choice, mentions, live] = Fields<4>();
        Rig rig;
        rig.device->refuse << refuse;
        QVERIFY(rig.port.SetPortOpen(!refuse.isEmpty()));
        QPointer<frmMOpt> w = rig.Open();
        QSignalSpy failures(w.data(), &frmMOpt::FailureShown);
        Choose(w, choice);
        Click(w, "cmdOK");
        QCOMPARE(failures.size(), 1);
        auto* box = w->findChild<QMessageBox*>();
        QVERIFY(box && box->isVisible() && box->icon() == QMessageBox::Warning);
        QCOMPARE(box->windowTitle() + box->text(), "Quorvix" + failures[0][0].toString());
        QVERIFY2(box->text().contains(mentions), qPrintable(box->text()));
        QTest::qWait(0);
        QVERIFY(w && w->isVisible());
        QCOMPARE(rig.Live() + ' ' + rig.Stored(), live + " ||");
    }

    // Start-up applies the store; the window then shows what the port has. Rows: stored; what the
    // error mentions (none: start-up goes on); live; what the window shows then.
    void loadPortSettings_data() {
        Rows({{"nothing stored", ";;9600,n,8,1|1|0;Com1|9600|8|None|1|Не проверять"},
              {"stop bits 1.5", "38400,n,8,1.5;;38400,n,8,1.5|1|0;Com1|38400|8|None|1.5|Не проверять"},
              {"good values", "19200,E,7,2|3|3;;19200,e,7,2|3|3;Com3|19200|7|Even|2|Xon/RTS"},
              {"beyond the lists", "300,m,4,1|9|1;;300,m,4,1|9|1;||4|Mark|1|Xon/Xoff"},
              {"bad settings stop at once", "9600,x,8,1|3|2;9600,x,8,1;9600,n,8,1|1|0"},
              // A bad port number: the handshaking is tried all the same.
              {"abc", "|abc|2;abc;9600,n,8,1|1|2"},
              {"1e9", "|1e9|2;1e9;9600,n,8,1|1|2"},
              {"space", "| 2|2; 2;9600,n,8,1|1|2"},
              {"-1", "|-1|2;-1;9600,n,8,1|1|2"},
              {"too long", "|99999999999|2;99999999999;9600,n,8,1|1|2"},
              {"17", "|17|2;17;9600,n,8,1|1|2"},
              {"bad flow", "|2|7;7;9600,n,8,1|2|0"},
              {"both bad: the port told", "|x2|y3;x2;9600,n,8,1|1|0"}});
    }
    void loadPortSettings() {
        const auto [stored, mentions, live, shown] = Fields<4>();
        Rig rig(stored);
        QString error;
        QCOMPARE(LoadPortSettings(rig.port, *rig.store, &error), mentions.isEmpty());
        QVERIFY2(error.contains(mentions), qPrintable(error));
        QCOMPARE(rig.Live(), live);
        QVERIFY(!rig.port.PortOpen() && rig.device->opened.isEmpty());
        if (!shown.isEmpty())
            QCOMPARE(Shown(rig.Open()), shown);
    }

    // The game on the user's own store: the settings window writes it, the next start applies it, and
    // a value spoilt by hand gives the warning at the start after that, with no game type prompt.
    void usersOwnStoreAcrossStarts() {
        QSettings own(QSettings::NativeFormat, QSettings::UserScope, "Quorvix", "Quorvix");
        QVariantMap kept; // a real Windows user's own, put back at the end
        own.beginGroup("Properties");
        for (const QString& key : own.childKeys())
            kept[key] = own.value(key);
        own.endGroup();
        own.remove("Properties");
        own.sync();
        const auto start = [] {
            auto w = std::make_unique<frmQuorvix>();
            w->show();
            return w;
        };
        const auto live = [](frmQuorvix& w) {
            const MSComm* port = w.findChild<MSComm*>("MSComm");
            return Rig::Join(port->Settings(), port->CommPort(), port->Handshaking());
        };
        {
            auto w = start();
            QCOMPARE(live(*w), "9600,n,8,1|1|0");
            w->Ui().mnuModem->trigger();
            QPointer<frmMOpt> options = w->findChild<frmMOpt*>();
            QVERIFY(options && options->isVisible());
            Choose(options, "Com3|19200|7|Even|2|Xon/RTS");
            Click(options, "cmdOK");
            QTRY_VERIFY(!options);
        }
        QCOMPARE(live(*start()), "19200,e,7,2|3|3");
        own.sync();
        QCOMPARE(own.value("Properties/CommPort").toString(), "3"); // decimal text
        own.setValue("Properties/Handshaking", "x3");
        own.sync();
        {
            auto w = start();
            QTRY_VERIFY(w->findChild<QMessageBox*>("portWarning"));
            auto* box = w->findChild<QMessageBox*>("portWarning");
            QVERIFY2(box->text().contains("x3"), qPrintable(box->text()));
            QVERIFY(box->icon() == QMessageBox::Warning && !w->Ui().gameType->isVisible());
        }
        own.remove("Properties");
        for (auto it = kept.cbegin(); it != kept.cend(); ++it)
            own.setValue("Properties/" + it.key(), it.value());
    }
};

QTEST_MAIN(TestPortSettings)
#include "tst_frmmopt.moc"
