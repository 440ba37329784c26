// SPDX-License-Identifier: GPL-3.0-or-later
// Messages end to end: the main window with the real serial port talks to the simulated
// phone on a pseudo-terminal linked as COM1; the phone's transcript must show exactly the
// announce lines and PDUs, each written only after the phone's prompt or OK.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/qserialphoneport.h"
#include "app/seams.h"
#include "app/textfile.h"
#include "app/vbstrings.h"
#include "msgboxrecorder.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QString letters(int n)
{
    QString t;
    for (int i = 0; i < n; ++i)
        t += QChar(u'a' + (i * 7) % 26);
    return t;
}

struct Event
{
    QJsonObject o;
    QString type() const { return o.value(QLatin1String("type")).toString(); }
    qint64 ms() const { return qint64(o.value(QLatin1String("ms")).toDouble()); }
};

} // namespace

class TstE2eMessages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void errorAfterSecondOfThree();   // first: the phone refuses its third AT+CMGS
    void sendOnePart();
    void sendFiveParts();
    void flashWithStatusReport();
    void storeTwoParts();
    void serviceCentreFromPhone();

private:
    QList<Event> events() const;
    /// Lines the program wrote since `from` (commands and PDUs), with timing checked:
    /// each comes after the reply that was due before it had reached the program.
    QStringList linesSince(qsizetype from);
    void send(const QString &text);

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_sim;
    QString m_transcript;
    std::unique_ptr<MsgBoxRecorder> m_boxes;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<QSerialPhonePort> m_comm;
    std::unique_ptr<Form1> m_form;
};

void TstE2eMessages::initTestCase()
{
    const QString sim = qEnvironmentVariable("SMS_PHONESIM");
    if (!QFile::exists(sim))
        QSKIP("the simulated phone (tools/phonesim) is not built");
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    Seams::setProgramFolder(m_dir->path());
    Seams::setOpenExternalHandler([](const QString &) { return true; });
    m_transcript = m_dir->filePath(QStringLiteral("transcript.jsonl"));
    m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_sim.start(sim, {QStringLiteral("--scenario"), qEnvironmentVariable("SMS_E2E_SCENARIO"),
                      QStringLiteral("--link"), m_dir->filePath(QStringLiteral("COM1")),
                      QStringLiteral("--transcript"), m_transcript});
    QVERIFY(m_sim.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir->filePath(QStringLiteral("COM1"))), 5000);

    m_boxes = std::make_unique<MsgBoxRecorder>();
    m_state = std::make_unique<AppState>();
    m_comm = std::make_unique<QSerialPhonePort>();
    m_form = std::make_unique<Form1>(*m_state, *m_comm);
    m_form->Form_Load();
    m_form->show();
    QTRY_VERIFY_WITH_TIMEOUT(!m_form->PendingAutoConnect(), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(m_comm->PortOpen() && !m_state->WaitPhonePhonebookRange, 15000);
    QVERIFY2(m_boxes->shown.isEmpty(), qPrintable(m_boxes->texts().join(QLatin1Char('|'))));
    m_form->Text2->setText(QStringLiteral("393359609600"));
    m_form->Text4->setText(QStringLiteral("+393471234567"));
}

void TstE2eMessages::cleanupTestCase()
{
    if (m_form)
        m_form->Timer1->stop();
    m_form.reset();
    m_comm.reset();
    if (m_sim.state() != QProcess::NotRunning) {
        m_sim.terminate();
        if (!m_sim.waitForFinished(3000))
            m_sim.kill();
    }
    Seams::setProgramFolder(QString());
}

QList<Event> TstE2eMessages::events() const
{
    QList<Event> out;
    QFile f(m_transcript);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            out.append({QJsonDocument::fromJson(line).object()});
    return out;
}

QStringList TstE2eMessages::linesSince(qsizetype from)
{
    const QList<Event> all = events();
    QStringList lines;
    qint64 replyDueAt = -1;   // when the last reply finished reaching the program
    for (qsizetype i = from; i < all.size(); ++i) {
        const Event &e = all.at(i);
        if (e.type() == QLatin1String("command")) {
            lines << e.o.value(QLatin1String("line")).toString();
        } else if (e.type() == QLatin1String("pdu")) {
            lines << e.o.value(QLatin1String("pdu")).toString();
            [&] { QVERIFY2(e.o.value(QLatin1String("valid")).toBool(),
                           qPrintable(e.o.value(QLatin1String("problem")).toString())); }();
        } else {
            continue;
        }
        // A line the phone received before its previous reply had been put on the line
        // would have been written without waiting for the prompt or the OK.
        [&] { QVERIFY2(replyDueAt < 0 || e.ms() >= replyDueAt,
                       qPrintable(QStringLiteral("%1 came before the reply it had to wait for")
                                      .arg(lines.last().left(20)))); }();
        for (qsizetype j = i + 1; j < all.size(); ++j)
            if (all.at(j).type() == QLatin1String("reply")) {
                replyDueAt = all.at(j).ms() + qint64(all.at(j).o.value(QLatin1String("delayMs")).toDouble());
                break;
            }
    }
    return lines;
}

void TstE2eMessages::send(const QString &text)
{
    m_form->setText5Text(text);
    m_boxes->shown.clear();
    m_boxes->answers = {Seams::MsgResult::OK};
    m_form->Command6->click();
}

void TstE2eMessages::errorAfterSecondOfThree()
{
    const qsizetype from = events().size();
    m_form->Text6->setText(QStringLiteral("0"));
    send(letters(400));
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("Command didn't accept by mobile")), 10000);
    QTest::qWait(200);
    const QStringList lines = linesSince(from);
    QCOMPARE(m_state->PduLength1, 154);   // 12-digit international recipient
    QCOMPARE(lines, QStringList({QStringLiteral("AT+CMGS=154"), m_state->Pdu1,
                                 QStringLiteral("AT+CMGS=154"), m_state->Pdu2,
                                 QStringLiteral("AT+CMGS=%1").arg(m_state->PduLength3)}));
    QVERIFY(!m_boxes->texts().contains(QStringLiteral("Messagge sent")));
    QCOMPARE(m_state->SentCount, 0);
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("Sent.txt"))));
    QVERIFY(TextFile::Read(m_dir->filePath(QStringLiteral("LogSMS.txt")))
                .value_or(QString()).contains(QStringLiteral("N.sms:  3\r\n")));
    QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Default);
    QVERIFY(!m_state->SendActive && !m_state->WaitSentOk);
}

void TstE2eMessages::sendOnePart()
{
    const qsizetype from = events().size();
    m_form->Text6->setText(QStringLiteral("4"));
    send(QStringLiteral("hello"));
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("Messagge sent")), 10000);
    QCOMPARE(linesSince(from),
             QStringList({QStringLiteral("AT+CMGS=19"),
                          QStringLiteral("079193339506690011F30C919343173254760000FF05E8329BFD06")}));
    QCOMPARE(m_state->SentCount, 5);
    QCOMPARE(TextFile::Read(m_dir->filePath(QStringLiteral("Sent.txt"))).value_or(QString()),
             vb::NumberField(5) + QStringLiteral("\r\n"));
    QCOMPARE(Seams::CurrentPointer(), Seams::Pointer::Default);
}

void TstE2eMessages::sendFiveParts()
{
    const qsizetype from = events().size();
    m_form->Text6->setText(QStringLiteral("5"));
    send(letters(700) + QStringLiteral("\r\n\u00E8\u00B3\u20AC"));
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("Messagge sent")), 20000);
    const QString pdus[] = {m_state->Pdu1, m_state->Pdu2, m_state->Pdu3, m_state->Pdu4, m_state->Pdu5};
    const int lengths[] = {m_state->PduLength1, m_state->PduLength2, m_state->PduLength3,
                           m_state->PduLength4, m_state->PduLength5};
    QStringList expected;
    for (int i = 0; i < 5; ++i)
        expected << QStringLiteral("AT+CMGS=%1").arg(lengths[i]) << pdus[i];
    QCOMPARE(linesSince(from), expected);
    QCOMPARE(m_boxes->texts().count(QStringLiteral("Messagge sent")), 1);
    QCOMPARE(m_state->SentCount, 10);
    // Every part reached the phone as a concatenated SMS-SUBMIT of five.
    const QList<Event> all = events();
    int part = 0;
    for (qsizetype i = from; i < all.size(); ++i) {
        if (all.at(i).type() != QLatin1String("pdu"))
            continue;
        ++part;
        const QByteArray decoded = QJsonDocument(all.at(i).o.value(QLatin1String("decoded")).toObject()).toJson(QJsonDocument::Compact);
        QVERIFY2(decoded.contains("\"udhi\":true"), decoded.constData());
    }
    QCOMPARE(part, 5);
}

void TstE2eMessages::flashWithStatusReport()
{
    const qsizetype from = events().size();
    m_form->Text6->setText(QStringLiteral("10"));
    m_form->Mn_Flash->trigger();
    m_form->Mn_Ricevuta->trigger();
    send(QStringLiteral("Ciao\r\nAlarm"));
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("Messagge sent")), 10000);
    QVERIFY(m_boxes->shown.at(0).text.endsWith(QStringLiteral("\r\r- Flash SMS\r- Status report")));
    const QStringList lines = linesSince(from);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), QStringLiteral("AT+CMGS=%1").arg(m_state->PduLength1));
    QCOMPARE(lines.at(1), m_state->Pdu1);
    QVERIFY(lines.at(1).startsWith(QStringLiteral("079193339506690031F30C9193431732547600F0FF0B")));
    QVERIFY(!m_state->FlashSms);
    QVERIFY(!m_form->Mn_Flash->isChecked());
    m_form->Mn_Ricevuta->trigger();
    QVERIFY(!m_state->StatusReport);
    QCOMPARE(m_state->SentCount, 11);
}

void TstE2eMessages::storeTwoParts()
{
    const qsizetype from = events().size();
    m_form->Text6->setText(QStringLiteral("11"));
    const QString logBefore = TextFile::Read(m_dir->filePath(QStringLiteral("LogSMS.txt"))).value_or(QString());
    m_form->setText5Text(letters(250));
    m_boxes->shown.clear();
    m_form->Command7->click();
    QTRY_VERIFY_WITH_TIMEOUT(!m_state->StoreActive, 10000);
    QTest::qWait(100);
    QCOMPARE(linesSince(from),
             QStringList({QStringLiteral("AT+CMGW=%1").arg(m_state->PduLength1), m_state->Pdu1,
                          QStringLiteral("AT+CMGW=%1").arg(m_state->PduLength2), m_state->Pdu2}));
    QVERIFY(m_boxes->shown.isEmpty());
    QCOMPARE(m_state->SentCount, 11);
    QCOMPARE(TextFile::Read(m_dir->filePath(QStringLiteral("LogSMS.txt"))).value_or(QString()), logBefore);
}

void TstE2eMessages::serviceCentreFromPhone()
{
    const qsizetype from = events().size();
    m_form->Text2->setText(QStringLiteral("1"));
    m_form->Command3->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_form->Text2->text(), QStringLiteral("393359609600"), 5000);
    QCOMPARE(linesSince(from), QStringList{QStringLiteral("AT+CSCA?")});
}

QTEST_MAIN(TstE2eMessages)
#include "tst_e2e_messages.moc"
