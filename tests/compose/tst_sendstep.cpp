// SPDX-License-Identifier: GPL-3.0-or-later
// The send and store chains, the service-centre reply, the sent log and the compose
// helpers around them (confirmation text, bitmap check).
#include "app/appstate.h"
#include "app/textfile.h"
#include "compose/elabora.h"
#include "compose/sendstep.h"
#include "compose/sendworkflow.h"
#include "encoding/codice7.h"
#include "fakephoneport.h"
#include "messagetext.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TstSendStep : public QObject
{
    Q_OBJECT
    AppState s;
    FakePhonePort port;
    void step(const QString &buffer) { Module1::SendStep(s, buffer, port); }
    QString pdu(int i) const { return QList{s.Pdu1, s.Pdu2, s.Pdu3, s.Pdu4, s.Pdu5}.at(i); }

private slots:
    void initTestCase()
    {
        Codice7::InitGsmTable();
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    }
    void init()
    {
        s = AppState();
        port.writes.clear();
        port.setPortOpen(true);
    }

    // Against a phone that answers each line as TS 27.005 says, with echo. Every reply is
    // handed over twice (an event without new characters): a part goes out once only.
    void chains_data()
    {
        QTest::addColumn<int>("chars");
        QTest::addColumn<bool>("store");
        for (bool store : {false, true})
            for (int n : {5, 161, 305, 457, 760})
                QTest::addRow("%s-%d", store ? "store" : "send", n) << n << store;
    }
    void chains()
    {
        QFETCH(int, chars);
        QFETCH(bool, store);
        Compose::Elabora(s, {u"123456789012"_s, u"0123456789"_s, letters(chars)});
        store ? Compose::StartStore(s, port) : Compose::StartSend(s, port);
        const int parts = Compose::PartsNeeded(chars);
        QString buffer;
        for (qsizetype handled = 0; handled < port.writes.size();) {
            const QString line = port.writes.at(handled++);
            buffer += line + (line.endsWith(kCtrlZ) ? u"\r\n+CMGS: 7\r\n\r\nOK\r\n"_s
                                                    : u"\r\n> "_s);
            step(buffer);
            step(buffer);
            // A send waits for the dispatcher's confirmation from the OK of its last part on,
            // or from the fifth PDU on: no step follows that one.
            const bool out = port.writes.size() == 2 * parts;
            QCOMPARE(s.WaitSentOk, !store && out && (parts == 5 || handled == 2 * parts));
        }
        const int lengths[] = {s.PduLength1, s.PduLength2, s.PduLength3, s.PduLength4,
                               s.PduLength5};
        QStringList expected;
        for (int i = 0; i < parts; ++i) {
            expected << (store ? u"AT+CMGW=%1\r"_s : u"AT+CMGS=%1\r"_s).arg(lengths[i])
                     << pdu(i) + kCtrlZ;
            // The announced count is the TPDU: the PDU without the service-centre field.
            QCOMPARE(lengths[i] * 2, int(pdu(i).size() - s.ServiceCentreField.size()));
        }
        QCOMPARE(port.writes, expected);
        QVERIFY(!s.SendActive && !s.StoreActive && !s.WaitSendPrompt1 && !s.WaitStoreOk1);
    }

    void stepOrder()
    {
        s.WaitSendPrompt1 = true;   // a step flag without a running chain does nothing
        step(u"xxxxx\r\n> "_s);
        step(u"xxxxx\r\nOK\r\n"_s);
        QVERIFY(port.writes.isEmpty());
        Compose::Elabora(s, {u"1234"_s, u"5678"_s, u"x"_s});
        s.SendActive = s.StoreActive = s.WaitStorePrompt1 = true;
        step(u"AT+CMGW=9\r\r\n> "_s);   // the store step goes first, the send step waits
        QCOMPARE(port.writes, QStringList{s.Pdu1 + kCtrlZ});
        QVERIFY(s.WaitStoreOk1 && s.WaitSendPrompt1);
    }

    void serviceCentre_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("number");   // empty: nothing found
        const char *rows[][2] = {{"\"+393359609600\",145", "393359609600"},
                                 {"\"0335960\",129", "335960"}, {"0,0", ""}, {"\"+39", ""},
                                 {"\"\",129", ""}, {"\"+\",145", ""}, {"\"+3\",145", "3"}};
        for (const auto &r : rows)
            QTest::addRow("%s", r[0]) << "AT+CSCA?\r\r\n+CSCA: "_L1 + QLatin1String(r[0])
                                             + "\r\n\r\nOK\r\n"_L1 << QString::fromLatin1(r[1]);
    }
    void serviceCentre()
    {
        QFETCH(QString, reply);
        QFETCH(QString, number);
        s.ServiceCentre = u"old"_s;
        Compose::StartServiceCentreQuery(s, port);
        QCOMPARE(port.writes, QStringList{u"AT+CSCA?\r"_s});
        QVERIFY(s.WaitServiceCentre);
        QCOMPARE(Module1::SendStep(s, reply, port).serviceCentre.value_or(QString()), number);
        QVERIFY(!s.WaitServiceCentre);
        QCOMPARE(s.ServiceCentre, number.isEmpty() ? u"old"_s : number);
        QVERIFY(!Module1::SendStep(s, reply, port).serviceCentre);   // only once
        QCOMPARE(port.writes.size(), 1);
    }

    void sentLog()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"LogSMS.txt"_s);
        const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
        QVERIFY(Compose::AppendSentLog(path, u"ciao\r\nè"_s, u"+39347"_s, when, u"1"_s));
        QVERIFY(Compose::AppendSentLog(path, u"b"_s, u"12"_s, when, u"3"_s));
        const QByteArray date =
            QLocale().toString(when.date(), QLocale::ShortFormat).toLatin1() + " 05:06:07\r\n";
        const auto bytes = [&] {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        QCOMPARE(bytes(), "CorvinaSMS By Quillane\r\nLog of sent SMS\r\n" + QByteArray(44, '-')
                              + "\r\n\r\n\r\nSms:        ciao\r\n\xE8\r\nAt number:  +39347\r\n"
                              "Date and time: " + date + "N.sms:  1\r\n\r\nSms:        b\r\n"
                              "At number:  12\r\nDate and time: " + date + "N.sms:  3\r\n\r\n");
        // An existing log only gets the entry.
        QVERIFY(TextFile::WriteAtomic(path, u"kept\r\n"_s));
        QVERIFY(Compose::AppendSentLog(path, u"x"_s, u"1"_s, when, u"1"_s));
        QCOMPARE(bytes(), "kept\r\nSms:        x\r\nAt number:  1\r\nDate and time: " + date
                              + "N.sms:  1\r\n\r\n");
        // A log that cannot be written says why (root ignores permissions: a folder in its
        // place, or a missing folder, stops anyone).
        QVERIFY(QDir().mkpath(dir.filePath(u"folder"_s)));
        for (const QString &bad : {dir.filePath(u"folder"_s), dir.filePath(u"no/LogSMS.txt"_s)}) {
            QString error;
            QVERIFY(!Compose::AppendSentLog(bad, u"x"_s, u"1"_s, when, u"1"_s, &error));
            QVERIFY2(!error.isEmpty(), qPrintable(bad));
        }
        QVERIFY(!QFile::exists(dir.filePath(u"no"_s)));
    }

    void confirmationText()
    {
        const QString ask = u"Are you sure to send this SMS:\r\r     \""_s;
        const QString to = u"\"\r\rTo: +3912?\r"_s;
        const struct { int mode; bool flash, status; QString text; } rows[] = {   // 1 logo, 2 group
            {0, false, false, u"hi\r\nyou"_s + to},
            {0, true, true, u"hi\r\nyou"_s + to + u"\r- Flash SMS\r- Status report"_s},
            {0, false, true, u"hi\r\nyou"_s + to + u"\r- Status report"_s},
            {1, false, false, u"Operator Logo"_s + to}, {2, false, false, u"Group Logo"_s + to}};
        for (const auto &r : rows) {
            s.LogoMode = r.mode > 0;
            s.OperatorLogoMode = r.mode == 1;
            s.PictureMode = r.mode == 2;
            s.FlashSms = r.flash;
            s.StatusReport = r.status;
            QCOMPARE(Compose::ConfirmationText(s, u"hi\r\nyou"_s, u"+3912"_s), ask + r.text);
        }
    }

    // A logo needs its bitmap, a picture its own.
    void bitmapCheck()
    {
        const bool rows[][5] = {// logo, picture, logo data, picture data, passes
            {false, false, false, false, true}, {true, false, false, true, false},
            {true, false, true, false, true},   {true, true, true, false, false},
            {true, true, false, true, true}};
        for (const auto &r : rows) {
            s.LogoMode = r[0];
            s.PictureMode = r[1];
            s.LogoData = r[2] ? u"00"_s : QString();
            s.PictureData1 = r[3] ? u"00"_s : QString();
            QCOMPARE(Compose::BitmapCheck(s), r[4]);
        }
    }
};

QTEST_GUILESS_MAIN(TstSendStep)
#include "tst_sendstep.moc"
