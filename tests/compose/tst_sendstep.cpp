// SPDX-License-Identifier: GPL-3.0-or-later
// The send and store chains, the service-centre reply, the sent log and the compose
// helpers around them (confirmation text, bitmap check, counters).
#include "app/appstate.h"
#include "app/textfile.h"
#include "compose/elabora.h"
#include "compose/sendstep.h"
#include "compose/sendworkflow.h"
#include "encoding/codice7.h"
#include "fakephoneport.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include "messagetext.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool anyStepFlag(const AppState &s)
{
    return s.WaitSendPrompt1 || s.WaitSendPrompt2 || s.WaitSendPrompt3 || s.WaitSendPrompt4 || s.WaitSendPrompt5
        || s.WaitSendOk1 || s.WaitSendOk2 || s.WaitSendOk3 || s.WaitSendOk4 || s.WaitStorePrompt1
        || s.WaitStorePrompt2 || s.WaitStorePrompt3 || s.WaitStorePrompt4 || s.WaitStorePrompt5
        || s.WaitStoreOk1 || s.WaitStoreOk2 || s.WaitStoreOk3 || s.WaitStoreOk4;
}

} // namespace

class TstSendStep : public QObject
{
    Q_OBJECT
    AppState s;
    FakePhonePort port;
    void step(const QString &buffer) { Module1::SendStep(s, buffer, port); }

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

    void chains_data()
    {
        QTest::addColumn<int>("chars");
        QTest::addColumn<bool>("store");
        for (bool store : {false, true})
            for (int n : {5, 161, 305, 457, 760})
                QTest::addRow("%s-%d", store ? "store" : "send", n) << n << store;
    }
    void chains()   // against a phone that answers each line as TS 27.005 says, with echo
    {
        QFETCH(int, chars);
        QFETCH(bool, store);
        Compose::Elabora(s, {u"123456789012"_s, u"0123456789"_s, letters(chars)});
        store ? Compose::StartStore(s, port) : Compose::StartSend(s, port);
        QString buffer;
        for (qsizetype handled = 0; handled < port.writes.size();) {
            const QString line = port.writes.at(handled++);
            buffer += line + (line.endsWith(kCtrlZ) ? u"\r\n+CMGS: 7\r\n\r\nOK\r\n"_s : u"\r\n> "_s);
            step(buffer);
        }
        const QString pdus[] = {s.Pdu1, s.Pdu2, s.Pdu3, s.Pdu4, s.Pdu5};
        const int lengths[] = {s.PduLength1, s.PduLength2, s.PduLength3, s.PduLength4, s.PduLength5};
        QStringList expected;
        for (int i = 0; i < Compose::PartsNeeded(chars); ++i) {
            const QString cmd = store ? u"AT+CMGW="_s : u"AT+CMGS="_s;
            expected << cmd + QString::number(lengths[i]) + u'\r' << pdus[i] + kCtrlZ;
            // The announced count is the TPDU: the PDU without the service-centre field.
            QCOMPARE(lengths[i] * 2, int(pdus[i].size() - s.ServiceCentreField.size()));
        }
        QCOMPARE(port.writes, expected);
        QVERIFY(!anyStepFlag(s) && !s.SendActive && !s.StoreActive);
        QCOMPARE(s.WaitSentOk, !store);
    }

    void eachPartWaitsForItsOwnReply()
    {
        Compose::Elabora(s, {u"1234"_s, u"5678"_s, letters(700)});
        Compose::StartSend(s, port);
        const QString pdus[] = {s.Pdu1, s.Pdu2, s.Pdu3, s.Pdu4, s.Pdu5};
        QString buffer = u"AT+CMGS=153\r\r\n> "_s;
        for (int part = 1; part <= 5; ++part) {
            step(buffer);
            step(buffer);   // an event without new characters: the same prompt again
            QCOMPARE(port.writes.size(), 2 * part);
            QCOMPARE(port.writes.last(), pdus[part - 1] + kCtrlZ);
            if (part == 5)
                break;
            QVERIFY(!s.WaitSentOk);
            buffer += u"\r\nOK\r\n"_s;
            step(buffer);
            step(buffer);   // the same OK again
            QCOMPARE(port.writes.size(), 2 * part + 1);
            buffer += u"AT+CMGS=20\r\r\n> "_s;
        }
        // The fifth PDU ends the chain at once; the dispatcher completes on the next OK.
        QVERIFY(s.WaitSentOk && !s.SendActive);
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
        const char *rows[][2] = {{"\"+393359609600\",145", "393359609600"}, {"\"0335960\",129", "335960"},
                                 {"0,0", ""}, {"\"+39", ""}, {"\"\",129", ""}, {"\"+\",145", ""}, {"\"+3\",145", "3"}};
        for (const auto &r : rows)
            QTest::addRow("%s", r[0]) << "AT+CSCA?\r\r\n+CSCA: "_L1 + QLatin1String(r[0]) + "\r\n\r\nOK\r\n"_L1
                                      << QString::fromLatin1(r[1]);
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
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray date = QLocale().toString(when.date(), QLocale::ShortFormat).toLatin1() + " 05:06:07\r\n";
        QCOMPARE(f.readAll(), "CorvinaSMS By Quillane\r\nLog of sent SMS\r\n" + QByteArray(44, '-')
                                  + "\r\n\r\n\r\nSms:        ciao\r\n\xE8\r\nAt number:  +39347\r\nDate and time: "
                                  + date + "N.sms:  1\r\n\r\nSms:        b\r\nAt number:  12\r\nDate and time: "
                                  + date + "N.sms:  3\r\n\r\n");
        // An existing log only gets the entry.
        QVERIFY(TextFile::WriteAtomic(path, u"kept\r\n"_s));
        QVERIFY(Compose::AppendSentLog(path, u"x"_s, u"1"_s, when, u"1"_s));
        QCOMPARE(TextFile::Read(path).value_or(QString()),
                 u"kept\r\nSms:        x\r\nAt number:  1\r\nDate and time: "_s + QString::fromLatin1(date)
                     + u"N.sms:  1\r\n\r\n"_s);
        // A log that cannot be written says why (root ignores permissions: a folder in its
        // place, or a missing folder, stops anyone).
        for (const QString &bad : {dir.filePath(u"folder"_s), dir.filePath(u"none/LogSMS.txt"_s)}) {
            QDir().mkpath(dir.filePath(u"folder"_s));
            QString error;
            QVERIFY(!Compose::AppendSentLog(bad, u"x"_s, u"1"_s, when, u"1"_s, &error));
            QVERIFY2(!error.isEmpty(), qPrintable(bad));
        }
        QVERIFY(!QFile::exists(dir.filePath(u"none"_s)));
    }

    void composeHelpers()
    {
        const QString ask = u"Are you sure to send this SMS:\r\r     \""_s, to = u"\"\r\rTo: +3912?\r"_s;
        const struct { int mode; bool flash, status; QString text; } rows[] = {   // mode 1 logo, 2 picture
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
        // A logo needs its bitmap, a picture its own.
        const bool bitmaps[][5] = {// logo, picture, logo data, picture data, passes
                                   {false, false, false, false, true}, {true, false, false, true, false},
                                   {true, false, true, false, true},   {true, true, true, false, false},
                                   {true, true, false, true, true}};
        for (const auto &r : bitmaps) {
            s.LogoMode = r[0];
            s.PictureMode = r[1];
            s.LogoData = r[2] ? u"00"_s : QString();
            s.PictureData1 = r[3] ? u"00"_s : QString();
            QCOMPARE(Compose::BitmapCheck(s), r[4]);
        }
        const int counters[][2] = {{0, 0},   {1, 1},   {160, 1}, {161, 2}, {304, 2}, {305, 3},
                                   {456, 3}, {457, 4}, {608, 4}, {609, 5}, {760, 5}};
        for (const auto &r : counters) {
            const auto c = Compose::ComposeCounters(r[0]);
            QCOMPARE(QList<int>({c.used, c.left, c.messages}), QList<int>({r[0], 760 - r[0], r[1]}));
        }
        QCOMPARE(Compose::NonGsmNote(u"Ciao è @ ¡\r\n"_s), QString());
        QVERIFY(Compose::NonGsmNote(u"€"_s).startsWith(u"1 character "_s));
        QVERIFY(Compose::NonGsmNote(u"Ç{}"_s).startsWith(u"3 characters "_s));
    }
};

QTEST_GUILESS_MAIN(TstSendStep)
#include "tst_sendstep.moc"
