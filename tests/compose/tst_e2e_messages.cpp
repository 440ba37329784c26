// SPDX-License-Identifier: GPL-3.0-or-later
// Messages end to end: the window on the real serial port and the simulated phone. The
// transcript must show exactly the announce lines and PDUs, each written only after the
// phone's prompt or OK had reached the program.
#include "app/seams.h"
#include "app/textfile.h"
#include "app/vbstrings.h"
#include "messagetext.h"
#include "msgboxrecorder.h"
#include "phonesimrunner.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class TstE2eMessages : public QObject
{
    Q_OBJECT
    MsgBoxRecorder m_boxes;
    PhonesimRunner m_phone;
    AppState &m_state = m_phone.state;

    // Lines the program wrote from event `from` on; fails when one reached the phone before
    // the reply it had to wait for had been put on the line.
    QStringList lines(qsizetype from) const
    {
        const QList<QJsonObject> all = m_phone.events();
        const auto ms = [](const QJsonObject &o, const char *key) {
            return qint64(o.value(QLatin1String(key)).toDouble());
        };
        QStringList out;
        qint64 replyDone = -1;
        for (qsizetype i = from; i < all.size(); ++i) {
            const QJsonObject &e = all.at(i);
            const QString type = e.value("type"_L1).toString();
            if (type != "command"_L1 && type != "pdu"_L1)
                continue;
            out << e.value(type == "pdu"_L1 ? "pdu"_L1 : "line"_L1).toString();
            if (type == "pdu"_L1 && !e.value("valid"_L1).toBool())
                return {u"invalid: "_s + e.value("problem"_L1).toString()};
            if (ms(e, "ms") < replyDone)
                return {out.last() + u" came before the reply it waited for"_s};
            for (qsizetype j = i + 1; j < all.size(); ++j)
                if (all.at(j).value("type"_L1).toString() == "reply"_L1) {
                    replyDone = ms(all.at(j), "ms") + ms(all.at(j), "delayMs");
                    break;
                }
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        if (!QFile::exists(qEnvironmentVariable("SMS_PHONESIM")))
            QSKIP("the simulated phone (tools/phonesim) is not built");
        QVERIFY2(m_phone.start(qEnvironmentVariable("SMS_PHONESIM"),
                               qEnvironmentVariable("SMS_E2E_SCENARIO")),
                 qPrintable(m_phone.error));
        QVERIFY2(m_boxes.shown.isEmpty(), qPrintable(m_boxes.texts().join(u'|')));
        m_phone.form->Text2->setText(u"393359609600"_s);
        m_phone.form->Text4->setText(u"+393471234567"_s);
    }

    // A one-part text (its PDU byte for byte), five parts with characters outside the
    // alphabet, a flash message with a status report, and a store of two parts.
    void messages_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("flash");   // with a status report
        QTest::addColumn<bool>("store");
        QTest::addColumn<int>("parts");
        QTest::newRow("one-part") << u"hello"_s << false << false << 1;
        QTest::newRow("five-parts") << letters(700) + u"\r\nè³€"_s << false << false << 5;
        QTest::newRow("flash-with-status-report") << u"Ciao\r\nAlarm"_s << true << false << 1;
        QTest::newRow("store-two-parts") << letters(250) << false << true << 2;
    }
    void messages()
    {
        QFETCH(QString, text);
        QFETCH(bool, flash);
        QFETCH(bool, store);
        QFETCH(int, parts);
        Form1 &form = *m_phone.form;
        const qsizetype from = m_phone.events().size();
        const int count = m_state.SentCount;
        const QString log = TextFile::Read(m_phone.file(u"LogSMS.txt"_s)).value_or(QString());
        if (flash)
            form.Mn_Flash->trigger(), form.Mn_Ricevuta->trigger();
        form.setText5Text(text);
        m_boxes.shown.clear();
        m_boxes.answers = {Seams::MsgResult::OK};
        (store ? form.Command7 : form.Command6)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_state.SendActive && !m_state.StoreActive
                                     && !m_state.WaitSentOk, 20000);
        QTest::qWait(100);   // nothing more comes

        const QStringList pdus = {m_state.Pdu1, m_state.Pdu2, m_state.Pdu3, m_state.Pdu4,
                                  m_state.Pdu5};
        const QList<int> lengths = {m_state.PduLength1, m_state.PduLength2, m_state.PduLength3,
                                    m_state.PduLength4, m_state.PduLength5};
        QStringList expected;
        for (int i = 0; i < parts; ++i)
            expected << (store ? u"AT+CMGW=%1"_s : u"AT+CMGS=%1"_s).arg(lengths[i]) << pdus[i];
        const QStringList sent = lines(from);
        QCOMPARE(sent, expected);
        if (text == u"hello"_s)   // to a 12-digit international number
            QCOMPARE(sent, QStringList({u"AT+CMGS=19"_s, u"079193339506690011F30C91934317325476"
                                                        "0000FF05E8329BFD06"_s}));
        if (flash) {
            QVERIFY(m_boxes.shown.at(0).text.endsWith(u"\r\r- Flash SMS\r- Status report"_s));
            QVERIFY(sent.at(1).startsWith(u"079193339506690031F30C9193431732547600F0FF0B"_s));
            QVERIFY(!m_state.FlashSms && !form.Mn_Flash->isChecked());   // a one-off
            form.Mn_Ricevuta->trigger();
            QVERIFY(!m_state.StatusReport);
        }
        // A store asks nothing, logs nothing and counts nothing.
        QCOMPARE(m_boxes.texts().count(u"Messagge sent"_s), store ? 0 : 1);
        QCOMPARE(m_boxes.shown.size(), store ? 0 : 2);
        QCOMPARE(m_state.SentCount, count + (store ? 0 : parts));
        QCOMPARE(TextFile::Read(m_phone.file(u"Sent.txt"_s)).value_or(QString()),
                 vb::NumberField(m_state.SentCount) + u"\r\n"_s);
        const QString logNow = TextFile::Read(m_phone.file(u"LogSMS.txt"_s)).value_or(QString());
        QCOMPARE(logNow == log, store);
        QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Default);
    }
};

QTEST_MAIN(TstE2eMessages)
#include "tst_e2e_messages.moc"
