// SPDX-License-Identifier: GPL-3.0-or-later
// Messages end to end: the window on the real serial port and the simulated phone. The
// transcript must show exactly the announce lines and PDUs, each written only after the
// phone's prompt or OK had reached the program.
#include "app/seams.h"
#include "app/textfile.h"
#include "app/vbstrings.h"
#include "msgboxrecorder.h"
#include "phonesimrunner.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

QString letters(int n)
{
    QString t;
    for (int i = 0; i < n; ++i)
        t += QChar(u'a' + (i * 7) % 26);
    return t;
}

qint64 number(const QJsonObject &o, const char *key) { return qint64(o.value(QLatin1String(key)).toDouble()); }

} // namespace

class TstE2eMessages : public QObject
{
    Q_OBJECT
    MsgBoxRecorder m_boxes;
    PhonesimRunner m_phone;
    AppState &m_state = m_phone.state;
    qsizetype m_from = 0;

    // Lines the program wrote since the last call; fails when one reached the phone before
    // the reply it had to wait for had been put on the line.
    QStringList lines()
    {
        const QList<QJsonObject> all = m_phone.events();
        QStringList out;
        qint64 replyDone = -1;
        for (qsizetype i = m_from; i < all.size(); ++i) {
            const QJsonObject &e = all.at(i);
            const QString type = e.value(QLatin1String("type")).toString();
            if (type != QLatin1String("command") && type != QLatin1String("pdu"))
                continue;
            out << e.value(QLatin1String(type == QLatin1String("pdu") ? "pdu" : "line")).toString();
            if (type == QLatin1String("pdu") && !e.value(QLatin1String("valid")).toBool())
                return {QStringLiteral("invalid: ") + e.value(QLatin1String("problem")).toString()};
            if (number(e, "ms") < replyDone)
                return {out.last() + QStringLiteral(" came before the reply it waited for")};
            for (qsizetype j = i + 1; j < all.size(); ++j)
                if (all.at(j).value(QLatin1String("type")).toString() == QLatin1String("reply")) {
                    replyDone = number(all.at(j), "ms") + number(all.at(j), "delayMs");
                    break;
                }
        }
        m_from = all.size();
        return out;
    }
    void send(const QString &text, int count)
    {
        m_from = m_phone.events().size();
        m_phone.form->Text6->setText(QString::number(count));
        m_phone.form->setText5Text(text);
        m_boxes.shown.clear();
        m_boxes.answers = {Seams::MsgResult::OK};
        m_phone.form->Command6->click();
    }
    QString log() const { return TextFile::Read(m_phone.file(QStringLiteral("LogSMS.txt"))).value_or(QString()); }
    QStringList chain(const QString &cmd, int parts) const
    {
        const QString pdus[] = {m_state.Pdu1, m_state.Pdu2, m_state.Pdu3, m_state.Pdu4, m_state.Pdu5};
        const int lengths[] = {m_state.PduLength1, m_state.PduLength2, m_state.PduLength3,
                               m_state.PduLength4, m_state.PduLength5};
        QStringList out;
        for (int i = 0; i < parts; ++i)
            out << cmd + QString::number(lengths[i]) << pdus[i];
        return out;
    }

private slots:
    void initTestCase()
    {
        if (!QFile::exists(qEnvironmentVariable("SMS_PHONESIM")))
            QSKIP("the simulated phone (tools/phonesim) is not built");
        Seams::setOpenExternalHandler([](const QString &) { return true; });
        QVERIFY2(m_phone.start(qEnvironmentVariable("SMS_PHONESIM"), qEnvironmentVariable("SMS_E2E_SCENARIO")),
                 qPrintable(m_phone.error));
        QVERIFY2(m_boxes.shown.isEmpty(), qPrintable(m_boxes.texts().join(QLatin1Char('|'))));
        m_phone.form->Text2->setText(QStringLiteral("393359609600"));
        m_phone.form->Text4->setText(QStringLiteral("+393471234567"));
    }

    void errorAfterSecondOfThree()   // first: the phone refuses the session's third AT+CMGS
    {
        send(letters(400), 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_boxes.texts().contains(QStringLiteral("Command didn't accept by mobile")), 10000);
        QTest::qWait(200);
        QCOMPARE(m_state.PduLength1, 154);   // 12-digit international recipient
        QCOMPARE(lines(), chain(QStringLiteral("AT+CMGS="), 3).mid(0, 5));
        QVERIFY(!m_boxes.texts().contains(QStringLiteral("Messagge sent")));
        QCOMPARE(m_state.SentCount, 0);
        QVERIFY(!QFile::exists(m_phone.file(QStringLiteral("Sent.txt"))));
        QVERIFY(log().contains(QStringLiteral("N.sms:  3\r\n")));
        QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Default);
        QVERIFY(!m_state.SendActive && !m_state.WaitSentOk);
    }

    void sendOnePart()
    {
        send(QStringLiteral("hello"), 4);
        QTRY_VERIFY_WITH_TIMEOUT(m_boxes.texts().contains(QStringLiteral("Messagge sent")), 10000);
        QCOMPARE(lines(), QStringList({QStringLiteral("AT+CMGS=19"),
                                       QStringLiteral("079193339506690011F30C919343173254760000FF05E8329BFD06")}));
        QCOMPARE(m_state.SentCount, 5);
        QCOMPARE(TextFile::Read(m_phone.file(QStringLiteral("Sent.txt"))).value_or(QString()),
                 vb::NumberField(5) + QStringLiteral("\r\n"));
        QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Default);
    }

    void sendFiveParts()
    {
        send(letters(700) + QStringLiteral("\r\n\u00E8\u00B3\u20AC"), 5);
        QTRY_VERIFY_WITH_TIMEOUT(m_boxes.texts().contains(QStringLiteral("Messagge sent")), 20000);
        const qsizetype from = m_from;
        QCOMPARE(lines(), chain(QStringLiteral("AT+CMGS="), 5));
        QCOMPARE(m_boxes.texts().count(QStringLiteral("Messagge sent")), 1);
        QCOMPARE(m_state.SentCount, 10);
        int parts = 0;   // the phone's own decoder saw each part as concatenated
        for (const QJsonObject &e : m_phone.events().mid(from))
            if (e.value(QLatin1String("type")).toString() == QLatin1String("pdu") && ++parts)
                QVERIFY(e[QLatin1String("decoded")][QLatin1String("flags")][QLatin1String("udhi")].toBool());
        QCOMPARE(parts, 5);
    }

    void flashWithStatusReport()
    {
        m_phone.form->Mn_Flash->trigger();
        m_phone.form->Mn_Ricevuta->trigger();
        send(QStringLiteral("Ciao\r\nAlarm"), 10);
        QTRY_VERIFY_WITH_TIMEOUT(m_boxes.texts().contains(QStringLiteral("Messagge sent")), 10000);
        QVERIFY(m_boxes.shown.at(0).text.endsWith(QStringLiteral("\r\r- Flash SMS\r- Status report")));
        const QStringList sent = lines();
        QCOMPARE(sent, chain(QStringLiteral("AT+CMGS="), 1));
        QVERIFY(sent.at(1).startsWith(QStringLiteral("079193339506690031F30C9193431732547600F0FF0B")));
        QVERIFY(!m_state.FlashSms && !m_phone.form->Mn_Flash->isChecked());
        m_phone.form->Mn_Ricevuta->trigger();
        QVERIFY(!m_state.StatusReport);
        QCOMPARE(m_state.SentCount, 11);
    }

    void storeTwoParts()
    {
        const QString logBefore = log();
        m_from = m_phone.events().size();
        m_phone.form->setText5Text(letters(250));
        m_boxes.shown.clear();
        m_phone.form->Command7->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_state.StoreActive, 10000);
        QTest::qWait(100);
        QCOMPARE(lines(), chain(QStringLiteral("AT+CMGW="), 2));
        QVERIFY(m_boxes.shown.isEmpty());
        QCOMPARE(m_state.SentCount, 11);
        QCOMPARE(log(), logBefore);
    }

};

QTEST_MAIN(TstE2eMessages)
#include "tst_e2e_messages.moc"
