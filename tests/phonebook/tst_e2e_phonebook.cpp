// SPDX-License-Identifier: GPL-3.0-or-later
// The phonebook download end to end: the window on the real serial port and the simulated
// phone on a pseudo-terminal, from the phone search through Upload to the list file.
#include "app/textfile.h"
#include "msgboxrecorder.h"
#include "phonebookfixture.h"
#include "phonesimrunner.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

class TstE2ePhonebook : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    static QStringList list(const Form1 &form)
    {
        QStringList out;
        for (int i = 0; i < form.Combo2->count(); ++i)
            out << form.Combo2->itemText(i);
        return out;
    }

private slots:
    void initTestCase()
    {
        if (!QFile::exists(qEnvironmentVariable("SMS_PHONESIM")))
            QSKIP("the simulated phone (tools/phonesim) is not built");
    }

    void download_data()
    {
        QTest::addColumn<QByteArray>("phone");   // changes to phonebooks.json
        QTest::addColumn<int>("closeAt");        // SIM position at which the user closes the port
        QTest::addColumn<QString>("commands");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("box");
        QTest::newRow("every-entry") << QByteArray() << 0 << S("SM1-8 ME1-5 AB1-6")
                                     << S("S1-8 P1-5 A1-6") << QString();
        QTest::newRow("slow-chunked")
            << QByteArray(R"({"timing": {"commandLatencyMs": {"AT+CPBR": 350, "AT^SDBR": 350,
                              "AT+CPBR=?": 5, "AT^SDBR=?": 5}, "chunks": 3, "chunkGapMs": 5}})")
            << 0 << S("SM1-8 ME1-5 AB1-6") << S("S1-8 P1-5 A1-6") << QString();
        QTest::newRow("port-closed")
            << QByteArray(R"({"timing": {"commandLatencyMs": {"AT+CPBR=3": 3000}}})") << 3
            << S("SM1-3") << S("S1-2")
            << S("The phonebook download stopped: the serial port was closed while reading the "
                 "SIM phonebook (position 3 of 8). The entries read so far are in the list.");
    }
    void download()
    {
        QFETCH(QByteArray, phone);
        QFETCH(int, closeAt);
        QFETCH(QString, commands);
        QFETCH(QString, entries);
        QFETCH(QString, box);
        const QString scenario = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        QFile f(scenario);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(PhoneJson(phone)) > 0);
        f.close();
        MsgBoxRecorder boxes;
        PhonesimRunner p;
        QVERIFY2(p.start(qEnvironmentVariable("SMS_PHONESIM"), scenario), qPrintable(p.error));
        // The sizes come from the phone search.
        QCOMPARE(S("%1 %2 %3 %4-%5").arg(p.state.SimPhonebookSize).arg(p.state.PhonePhonebookSize)
                     .arg(p.state.AddressBookAvailable).arg(p.state.AddressBookFirst)
                     .arg(p.state.AddressBookLast),
                 S("8 5 1 1-6"));
        const qsizetype from = p.events(S("command")).size();
        p.form->Mn_Upload->trigger();
        QVERIFY(p.state.PhonebookDownload);
        if (closeAt > 0) {
            QTRY_VERIFY_WITH_TIMEOUT(p.state.WaitSimPhonebook && p.state.PhonebookIndex == closeAt,
                                     5000);
            p.form->Mn_Chiudi->trigger();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!p.state.PhonebookDownload, 30000);
        QTest::qWait(100);   // the transcript's last lines

        QStringList lines;
        for (const QJsonObject &e : p.events(S("command")).mid(from))
            lines << e.value(QLatin1String("line")).toString();
        QCOMPARE(lines, Commands(commands));
        QCOMPARE(list(*p.form), Entries(entries));
        QCOMPARE(boxes.texts().join(u'\n'), box);
        QVERIFY(p.form->Text4->text().isEmpty());
        if (closeAt > 0)
            return;

        // Saved and loaded back as it was, the comma of "Doe, John" included.
        p.form->Mn_Rub_Save->trigger();
        QCOMPARE(TextFile::Read(p.file(S("Rubrica.txt"))).value_or(QString()),
                 TextFile::JoinLines(Entries(entries)));
        p.form->Mn_Rub_Load->trigger();
        QCOMPARE(list(*p.form), Entries(entries));
    }
};

QTEST_MAIN(TstE2ePhonebook)
#include "tst_e2e_phonebook.moc"
