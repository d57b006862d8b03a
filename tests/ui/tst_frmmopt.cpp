// SPDX-FileCopyrightText: 2026 Zendral developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The port settings window and the start-up step that applies the stored settings.
#include "../link/fakeport.h"
#include "frmgametype.h"
#include "frmmopt.h"
#include "mscomm.h"
#include "portsettings.h"
#include "portstore.h"
#include "uitest.h"

#include <QtTest>
#include <QtWidgets>

using namespace qx;
using namespace qx::test;

namespace {

// "settings|port|handshaking" of a port.
QString Live(const MSComm& port) {
    return QStringLiteral("%1|%2|%3").arg(port.Settings()).arg(port.CommPort()).arg(port.Handshaking());
}

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
    for (int i = 0; i < 5; ++i)
        if (auto* list = w->findChild<QComboBox*>(kLists[i]); !choice[i].isEmpty())
            list->setCurrentIndex(choice[i] == "-" ? -1 : list->findText(choice[i]));
    for (QRadioButton* option : w->findChildren<QRadioButton*>())
        if (option->text() == choice[5])
            QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

} // namespace

class TestPortSettings : public QObject {
    Q_OBJECT

    QTemporaryDir userDir_;

  private slots:
    // The user's own store moved where the test may write (the Windows registry cannot be moved).
    void initTestCase() {
        QVERIFY(userDir_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, userDir_.path());
    }

    // Start-up applies the store, then the window is left: "Применить" (a click or Return) stores what the
    // port took, other ways out change nothing, a refusal warns in the port's words and the window stays.
    // Rows: stored, as live is; refused by the fake device; the port ("open"; "closes": open before
    // only); choice; how the window is left (none: start-up only); live; the warning; shown on opening.
    void settings_data() {
        Rows({{"odd parity", ";;;|||Odd||;Return;9600,o,8,1|1|0;"},
              {"new port closes", ";;closes;Com2|57600|7|Space|2|RTS;Return;57600,s,7,2|2|2;"},
              {"same port stays open", ";;open;Com1|19200||||Xon/Xoff;Применить;19200,n,8,1|1|1;"},
              {"port beyond the list kept", "|9;;;|||||;Return;9600,n,8,1|9|0;"},
              {"no parity", ";;;|||-||;Применить;9600,n,8,1|1|0;9600,,8,1"},
              {"new port kept", ";;;Com2|||-||RTS;Применить;9600,n,8,1|2|0;9600,,8,1"},
              {"speed", ";speed 115200;open;|115200||||RTS;Применить;9600,n,8,1|1|0;speed 115200"},
              {"flow", ";flow 3;open;|19200||||Xon/RTS;Применить;19200,n,8,1|1|0;flow 3"},
              {"nothing stored", ";;;;;9600,n,8,1|1|0;;Com1|9600|8|None|1|Не проверять"},
              {"stop bits 1.5", "38400,n,8,1.5;;;;;38400,n,8,1.5|1|0;;Com1|38400|8|None|1.5|Не проверять"},
              {"good values", "19200,E,7,2|3|3;;;;;19200,e,7,2|3|3;;Com3|19200|7|Even|2|Xon/RTS"},
              {"beyond the lists", "300,m,4,1|9|1;;;;;300,m,4,1|9|1;;||4|Mark|1|Xon/Xoff"},
              {"bad settings stop at once", "9600,x,8,1|3|2;;;;;9600,n,8,1|1|0;9600,x,8,1"},
              {"bad flow", "|2|7;;;;;9600,n,8,1|2|0;7"},
              {"both bad: the port told", "|x2|y3;;;;;9600,n,8,1|1|0;x2"}});
        for (const char* how : {"Отмена", "Esc", "close box"}) // change nothing
            QTest::newRow(how) << QString(";;open;Com4|115200|5|Mark|2|Xon/RTS;%1;9600,n,8,1|1|0;").arg(how);
        for (const char* port : {"abc", "1e9", " 2", "-1", "99999999999", "17"}) // flow tried all the same
            QTest::newRow(port) << QStringLiteral("|%1|2;;;;;9600,n,8,1|1|2;%1").arg(port);
    }
    void settings() {
        const auto [stored, refuse, open, choice, how, live, warning, shown] = Fields<8>();
        QTemporaryDir dir; // for the store's file, given the stored fields that are not empty
        for (QSettings ini(dir.filePath("port.ini"), QSettings::IniFormat); int i : {0, 1, 2})
            if (const QString value = stored.section(u'|', i, i); !value.isEmpty())
                ini.setValue("Properties/" + QStringList{"Settings", "CommPort", "Handshaking"}[i], value);
        auto* device = new FakePort; // which opens
        MSComm port(device, {});
        PortStore store(dir.filePath("port.ini"));
        QWidget owner; // of the windows, closing any that a failed case leaves open
        device->refuse << refuse;
        QString error;
        QCOMPARE(LoadPortSettings(port, store, &error), !how.isEmpty() || warning.isEmpty());
        QVERIFY2(how.isEmpty() ? error.contains(warning) : error.isEmpty(), qPrintable(error));
        if (how.isEmpty()) { // the port stays shut
            QVERIFY(Live(port) == live && !port.PortOpen() && device->opened.isEmpty());
            QCOMPARE(shown.isEmpty() ? shown : Shown(new frmMOpt(&port, &store, &owner)), shown);
            return;
        }
        QVERIFY(port.SetPortOpen(!open.isEmpty()));
        QPointer<frmMOpt> w = new frmMOpt(&port, &store, &owner);
        w->show();
        QSignalSpy failures(w.data(), &frmMOpt::FailureShown);
        Choose(w, choice);
        const QString chosen = Shown(w);
        if (how == "close box")
            w->close();
        else if (how == "Return" || how == "Esc") // from a list
            QTest::keySequence(w->findChild<QComboBox*>("cboParity"), QKeySequence(how));
        else
            QTest::mouseClick(w->findChild<QPushButton*>(how == "Отмена" ? "cmdCancel" : "cmdOK"),
                              Qt::LeftButton);
        QCOMPARE(failures.size(), warning.isEmpty() ? 0 : 1);
        auto* box = w ? w->findChild<QMessageBox*>() : nullptr;
        QCOMPARE(box ? box->windowTitle() + box->text() : "",
                 warning.isEmpty() ? "" : "Quorvix" + failures[0][0].toString());
        QVERIFY(!box ||
                (box->isVisible() && box->icon() == QMessageBox::Warning && box->text().contains(warning)));
        QTest::qWait(0);
        QVERIFY(warning.isEmpty() ? !w : w && w->isVisible()); // a closed window is gone by now
        const bool applied = (how == "Return" || how == "Применить") && warning.isEmpty();
        const StoredPort s = store.Load();
        QCOMPARE(Live(port) + ' ' + (QStringList{s.settings, s.commPort, s.handshaking}.join(u'|')),
                 live + ' ' + (applied ? live : "||"));
        QCOMPARE(port.PortOpen() ? device->line.speed : 0, // an open port takes new line settings at once
                 open == "open" ? live.section(u',', 0, 0).toInt() : 0);
        QCOMPARE(applied ? Shown(new frmMOpt(&port, &store, &owner)) : chosen, chosen);
    }

    // The game on the user's own store: the settings window writes it, the next start applies it, and
    // a value spoilt by hand gives the warning at the start after that, with no game type prompt.
    void usersOwnStoreAcrossStarts() {
        QSettings own(QSettings::NativeFormat, QSettings::UserScope, "Quorvix", "Quorvix");
        QVariantMap kept; // a real Windows user's own, put back at the end
        for (const QString& key : own.allKeys())
            kept[key] = own.value(key);
        own.remove("Properties");
        own.sync();
        {
            frmQuorvix w;
            w.show();
            QCOMPARE(Live(*w.findChild<MSComm*>("MSComm")), "9600,n,8,1|1|0");
            w.Ui().mnuModem->trigger();
            QPointer<frmMOpt> options = w.findChild<frmMOpt*>();
            QVERIFY(options && options->isVisible());
            QStringList entries; // every list in text order, whatever order its entries are added in
            for (QComboBox* list : options->findChildren<QComboBox*>())
                for (int i = 0; i < list->count(); ++i)
                    entries << list->itemText(i);
            QCOMPARE(entries.join(u' '),
                     "Com1 Com2 Com3 Com4 Com5 Com6 Сеть (TCP/IP) 115200 14400 19200 28800 38400 "
                     "56000 57600 9600 4 5 6 7 8 Even Mark None Odd Space 1 1.5 2");
            Choose(options, "Com3|19200|7|Even|2|Xon/RTS");
            QTest::mouseClick(options->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
            QTRY_VERIFY(!options);
        }
        QCOMPARE(Live(*frmQuorvix().findChild<MSComm*>("MSComm")), "19200,e,7,2|3|3");
        own.sync();
        QCOMPARE(own.value("Properties/CommPort").toString(), "3"); // decimal text
        own.setValue("Properties/Handshaking", "x3");
        own.sync();
        frmQuorvix w;
        w.show();
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = w.findChild<QMessageBox*>("portWarning")));
        QVERIFY(box->text().contains("x3") && box->icon() == QMessageBox::Warning &&
                !w.Ui().gameType->isVisible());
        own.remove("Properties");
        for (auto it = kept.cbegin(); it != kept.cend(); ++it)
            own.setValue(it.key(), it.value());
    }
};

QTEST_MAIN(TestPortSettings)
#include "tst_frmmopt.moc"
