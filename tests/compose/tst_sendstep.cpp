// SPDX-License-Identifier: GPL-3.0-or-later
// The send and store chains and the service-centre reply, step by step.
#include "app/appstate.h"
#include "compose/elabora.h"
#include "compose/sendstep.h"
#include "compose/sendworkflow.h"
#include "encoding/codice7.h"
#include "fakephoneport.h"

#include <QTest>

namespace {

const QString kCtrlZ(QChar(26));

QString textOf(int n)
{
    QString t;
    for (int i = 0; i < n; ++i)
        t += QChar(u'a' + i % 26);
    return t;
}

// Answers each line the way a TS 27.005 phone does (with echo), appends the answer to the
// receive buffer and hands the buffer to SendStep, until nothing more is written.
struct Phone
{
    AppState &state;
    FakePhonePort &port;
    QString buffer;

    void run()
    {
        qsizetype handled = 0;
        while (handled < port.writes.size()) {
            const QString line = port.writes.at(handled++);
            QString reply;
            if (line.startsWith(QLatin1String("AT+CMG"))) {
                reply = line + QStringLiteral("\r\n> ");
            } else if (line.endsWith(kCtrlZ)) {
                reply = line + QStringLiteral("\r\n+CMGS: 7\r\n\r\nOK\r\n");
            }
            buffer += reply;
            Module1::SendStep(state, buffer, port);
        }
    }
};

bool anyStepFlag(const AppState &s)
{
    return s.WaitSendPrompt1 || s.WaitSendPrompt2 || s.WaitSendPrompt3 || s.WaitSendPrompt4
        || s.WaitSendPrompt5 || s.WaitSendOk1 || s.WaitSendOk2 || s.WaitSendOk3 || s.WaitSendOk4
        || s.WaitStorePrompt1 || s.WaitStorePrompt2 || s.WaitStorePrompt3 || s.WaitStorePrompt4
        || s.WaitStorePrompt5 || s.WaitStoreOk1 || s.WaitStoreOk2 || s.WaitStoreOk3
        || s.WaitStoreOk4;
}

} // namespace

class TstSendStep : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Codice7::InitGsmTable(); }
    void chains_data();
    void chains();
    void fivePartsEndBeforeLastOk();
    void pictureRunsThreeParts();
    void stalledBufferSendsNothing();
    void inactiveChainWritesNothing();
    void storeStepComesFirst();
    void serviceCentre_data();
    void serviceCentre();
};

void TstSendStep::chains_data()
{
    QTest::addColumn<int>("chars");
    QTest::addColumn<bool>("store");
    QTest::addColumn<int>("parts");
    for (bool store : {false, true})
        for (int n : {5, 160, 161, 305, 457, 760})
            QTest::addRow("%s-%d", store ? "store" : "send", n)
                << n << store << Compose::PartsNeeded(n);
}

void TstSendStep::chains()
{
    QFETCH(int, chars);
    QFETCH(bool, store);
    QFETCH(int, parts);
    AppState s;
    FakePhonePort port;
    port.setPortOpen(true);
    Compose::Elabora(s, {QStringLiteral("123456789012"), QStringLiteral("0123456789"),
                         textOf(chars)});
    store ? Compose::StartStore(s, port) : Compose::StartSend(s, port);
    Phone phone{s, port, {}};
    phone.run();

    const QString cmd = store ? QStringLiteral("AT+CMGW=") : QStringLiteral("AT+CMGS=");
    const QString pdus[] = {s.Pdu1, s.Pdu2, s.Pdu3, s.Pdu4, s.Pdu5};
    const int lengths[] = {s.PduLength1, s.PduLength2, s.PduLength3, s.PduLength4, s.PduLength5};
    QStringList expected;
    for (int i = 0; i < parts; ++i)
        expected << cmd + QString::number(lengths[i]) + QLatin1Char('\r') << pdus[i] + kCtrlZ;
    QCOMPARE(port.writes, expected);
    // The announced count is the TPDU length: the PDU without the service-centre field.
    for (int i = 0; i < parts; ++i)
        QCOMPARE(lengths[i] * 2, int(pdus[i].size() - s.ServiceCentreField.size()));
    QVERIFY(!anyStepFlag(s));
    QVERIFY(!s.SendActive && !s.StoreActive);
    QCOMPARE(s.WaitSentOk, !store);
}

void TstSendStep::fivePartsEndBeforeLastOk()
{
    AppState s;
    FakePhonePort port;
    port.setPortOpen(true);
    Compose::Elabora(s, {QStringLiteral("1234"), QStringLiteral("5678"), textOf(700)});
    Compose::StartSend(s, port);
    QString buffer;
    for (int part = 1; part <= 5; ++part) {
        buffer += QStringLiteral("\r\n> ");
        Module1::SendStep(s, buffer, port);
        QVERIFY(!s.WaitSentOk || part == 5);
        if (part == 5)
            break;
        buffer += QStringLiteral("\r\nOK\r\n");
        Module1::SendStep(s, buffer, port);
    }
    // The fifth PDU ends the chain at once; the dispatcher completes on the next OK.
    QVERIFY(s.WaitSentOk);
    QVERIFY(!s.SendActive);
    QCOMPARE(port.writes.size(), 10);
    QVERIFY(port.writes.last().endsWith(kCtrlZ));
}

void TstSendStep::pictureRunsThreeParts()
{
    AppState s;
    s.LogoMode = s.PictureMode = true;
    s.PictureData1 = QString(234, QLatin1Char('0'));
    s.PictureData2 = QString(256, QLatin1Char('0'));
    s.PictureData3 = QString(14, QLatin1Char('0'));
    FakePhonePort port;
    port.setPortOpen(true);
    Compose::Elabora(s, {QStringLiteral("1234"), QStringLiteral("0123456789"), QString()});
    Compose::StartSend(s, port);
    Phone phone{s, port, {}};
    phone.run();
    QCOMPARE(port.writes,
             QStringList({QStringLiteral("AT+CMGS=153\r"), s.Pdu1 + kCtrlZ,
                          QStringLiteral("AT+CMGS=153\r"), s.Pdu2 + kCtrlZ,
                          QStringLiteral("AT+CMGS=32\r"), s.Pdu3 + kCtrlZ}));
    QVERIFY(s.WaitSentOk);
}

void TstSendStep::stalledBufferSendsNothing()
{
    // An event without new characters leaves the buffer ending in the previous OK: the
    // next PDU must wait for its own prompt.
    AppState s;
    FakePhonePort port;
    port.setPortOpen(true);
    Compose::Elabora(s, {QStringLiteral("1234"), QStringLiteral("5678"), textOf(300)});
    Compose::StartSend(s, port);
    QString buffer = QStringLiteral("AT+CMGS=153\r\r\n> ");
    Module1::SendStep(s, buffer, port);
    Module1::SendStep(s, buffer, port);   // same prompt again
    QCOMPARE(port.writes.size(), 2);
    buffer += QStringLiteral("\r\nOK\r\n");
    Module1::SendStep(s, buffer, port);
    QCOMPARE(port.writes.size(), 3);
    Module1::SendStep(s, buffer, port);   // same OK again
    QCOMPARE(port.writes.size(), 3);
    QVERIFY(s.WaitSendPrompt2);
    buffer += QStringLiteral("AT+CMGS=20\r\r\n> ");
    Module1::SendStep(s, buffer, port);
    QCOMPARE(port.writes.size(), 4);
    QCOMPARE(port.writes.last(), s.Pdu2 + kCtrlZ);
}

void TstSendStep::inactiveChainWritesNothing()
{
    AppState s;
    FakePhonePort port;
    port.setPortOpen(true);
    s.WaitSendPrompt1 = true;   // a step flag without a running chain
    Module1::SendStep(s, QStringLiteral("xxxxx\r\n> "), port);
    Module1::SendStep(s, QStringLiteral("xxxxx\r\nOK\r\n"), port);
    QVERIFY(port.writes.isEmpty());
}

void TstSendStep::storeStepComesFirst()
{
    AppState s;
    FakePhonePort port;
    port.setPortOpen(true);
    Compose::Elabora(s, {QStringLiteral("1234"), QStringLiteral("5678"), QStringLiteral("x")});
    s.SendActive = s.WaitSendPrompt1 = true;
    s.StoreActive = s.WaitStorePrompt1 = true;
    Module1::SendStep(s, QStringLiteral("AT+CMGW=9\r\r\n> "), port);
    QCOMPARE(port.writes, QStringList{s.Pdu1 + kCtrlZ});
    QVERIFY(s.WaitStoreOk1);
    QVERIFY(s.WaitSendPrompt1);   // untouched in that step
}

void TstSendStep::serviceCentre_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("number");   // empty: nothing found
    QTest::newRow("standard") << QStringLiteral("AT+CSCA?\r\r\n+CSCA: \"+393359609600\",145\r\n\r\nOK\r\n")
                              << QStringLiteral("393359609600");
    QTest::newRow("national-loses-first-digit")
        << QStringLiteral("AT+CSCA?\r\r\n+CSCA: \"0335960\",129\r\n\r\nOK\r\n") << QStringLiteral("335960");
    QTest::newRow("no-quotes") << QStringLiteral("AT+CSCA?\r\r\n+CSCA: 0,0\r\n\r\nOK\r\n") << QString();
    QTest::newRow("one-quote") << QStringLiteral("AT+CSCA?\r\r\n+CSCA: \"+39\r\n\r\nOK\r\n") << QString();
    QTest::newRow("empty-quotes") << QStringLiteral("AT+CSCA?\r\r\n+CSCA: \"\",129\r\n\r\nOK\r\n") << QString();
    QTest::newRow("plus-only") << QStringLiteral("AT+CSCA?\r\r\n+CSCA: \"+\",145\r\n\r\nOK\r\n") << QString();
    QTest::newRow("one-digit") << QStringLiteral("AT+CSCA?\r\r\n+CSCA: \"+3\",145\r\n\r\nOK\r\n") << QStringLiteral("3");
}

void TstSendStep::serviceCentre()
{
    QFETCH(QString, reply);
    QFETCH(QString, number);
    AppState s;
    s.ServiceCentre = QStringLiteral("old");
    FakePhonePort port;
    port.setPortOpen(true);
    Compose::StartServiceCentreQuery(s, port);
    QCOMPARE(port.writes, QStringList{QStringLiteral("AT+CSCA?\r")});
    QVERIFY(s.WaitServiceCentre);
    const auto r = Module1::SendStep(s, reply, port);
    QVERIFY(!s.WaitServiceCentre);
    QCOMPARE(r.serviceCentre.value_or(QString()), number);
    QCOMPARE(s.ServiceCentre, number.isEmpty() ? QStringLiteral("old") : number);
    // Only once: a second OK finds nothing awaited.
    QVERIFY(!Module1::SendStep(s, reply, port).serviceCentre);
    QCOMPARE(port.writes.size(), 1);
}

QTEST_GUILESS_MAIN(TstSendStep)
#include "tst_sendstep.moc"
