// SPDX-License-Identifier: GPL-3.0-or-later
// The message browser end to end: the main window on the real serial port, the simulated
// phone behind it. Reads are checked in the phone's transcript: one AT+CMGR at a time,
// each written only once the reply to the one before had been put on the line.
#include "app/seams.h"
#include "app/textfile.h"
#include "browser/form5.h"
#include "msgboxrecorder.h"
#include "phonesimrunner.h"

#include <QtWidgets>
#include <QTest>

namespace {
QString S(const char *s) { return QString::fromUtf8(s); }
qint64 Number(const QJsonObject &o, const char *key)
{
    return qint64(o.value(QLatin1String(key)).toDouble());
}
QString Type(const QJsonObject &o) { return o.value(QLatin1String("type")).toString(); }
} // namespace

class TestE2eBrowser : public QObject
{
    Q_OBJECT
    MsgBoxRecorder m_boxes;
    std::unique_ptr<PhonesimRunner> m_phone;
    Form5 *m_form = nullptr;
    qsizetype m_from = 0;
    QTemporaryDir m_files;
    QList<Seams::FileDialogCall> m_dialogs;
    QString m_savePath;

    bool start(const QString &scenario)
    {
        m_phone = std::make_unique<PhonesimRunner>();
        // The recipient list the program loads at start-up.
        TextFile::WriteAtomic(m_phone->file(S("Rubrica.txt")),
                              S("Anna Rossi (+393391234567)\r\nMamma casa (0521234567)\r\n"));
        if (!m_phone->start(qEnvironmentVariable("SMS_PHONESIM"), scenario))
            return false;
        m_form = m_phone->form->BrowserWindow();
        m_form->show();
        return true;
    }

    // The command lines the phone received since the last call. Fails when one reached the
    // phone before the reply to the one before it was wholly on the line.
    QStringList commands()
    {
        const QList<QJsonObject> all = m_phone->events();
        QStringList out;
        qint64 replyDone = -1;
        for (qsizetype i = m_from; i < all.size(); ++i) {
            if (Type(all[i]) != QLatin1String("command"))
                continue;
            out << all[i].value(QLatin1String("line")).toString();
            if (Number(all[i], "ms") < replyDone)
                return {out.last() + S(" came before the reply it waited for")};
            for (qsizetype j = i + 1; j < all.size(); ++j) {
                if (Type(all[j]) == QLatin1String("reply")) {
                    replyDone = Number(all[j], "ms") + Number(all[j], "delayMs")
                                + 2 * (Number(all[j], "chunks") - 1);
                    break;
                }
            }
        }
        m_from = all.size();
        return out;
    }
    /// The grid, one "Progr.|Id|Sender|Date and Time|Service C. used" line per row.
    QStringList rows() const
    {
        QStringList out;
        for (int r = 0; r < m_form->Grid1->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < 5; ++c)
                cells << m_form->Grid1->item(r, c)->text();
            out << cells.join(u'|');
        }
        return out;
    }
    /// The Id column, in list order.
    QString ids() const
    {
        QStringList out;
        for (int r = 0; r < m_form->Grid1->rowCount(); ++r)
            out << m_form->Grid1->item(r, 1)->text();
        return out.join(u' ');
    }
    bool done(int capacity) const
    {
        return !m_phone->state.WaitReadReply && m_form->ReadIndex() == capacity
               && m_form->Command4->isEnabled();
    }
    void read(QPushButton *button, int capacity)
    {
        m_form->Text3->setText(QString::number(capacity));
        commands();
        button->click();
        QTRY_VERIFY_WITH_TIMEOUT(done(capacity), 20000);
    }
    /// Clicks the row of storage index `id` with the mouse.
    void choose(int id)
    {
        for (int r = 0; r < m_form->Grid1->rowCount(); ++r) {
            QTableWidgetItem *item = m_form->Grid1->item(r, 1);
            if (item->text() == QString::number(id)) {
                QTest::mouseClick(m_form->Grid1->viewport(), Qt::LeftButton, {},
                                  m_form->Grid1->visualItemRect(item).center());
                return;
            }
        }
        QFAIL("no such row");
    }
    QStringList reads(int from, int to) const
    {
        QStringList out;
        for (int i = from; i <= to; ++i)
            out << S("AT+CMGR=%1").arg(i);
        return out;
    }
    QByteArray saved() const
    {
        QFile f(m_savePath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }

private slots:
    void initTestCase()
    {
        if (!QFile::exists(qEnvironmentVariable("SMS_PHONESIM")))
            QSKIP("the simulated phone (tools/phonesim) is not built");
        Seams::setSaveFileDialogHandler([this](const Seams::FileDialogCall &call) {
            m_dialogs << call;
            return m_savePath;
        });
        QVERIFY2(start(qEnvironmentVariable("SMS_E2E_SCENARIO")), qPrintable(m_phone->error));
        QVERIFY2(m_boxes.shown.isEmpty(), qPrintable(m_boxes.texts().join(u'|')));
    }
    void cleanupTestCase() { Seams::setSaveFileDialogHandler({}); }

    // Position 2 is empty and answered with an error: it counts as empty, the read goes on.
    void capacityThreeWithAGap()
    {
        read(m_form->Command1, 3);
        QCOMPARE(commands(), reads(1, 3));
        QCOMPARE(rows(), (QStringList{S("1|3|+393287654321|04/12/26  09.00:00|+393359609600"),
                                      S("2|1|Anna Rossi (+393391234567)|05/12/26  10.00:00|"
                                        "+393359609600")}));
        QCOMPARE(m_form->ProgressBar1->value(), 3);
        QVERIFY(m_boxes.shown.isEmpty());
    }

    // Listing again after the read shows each message once; Update reads the phone again.
    void readAgainAndUpdate()
    {
        const QStringList before = rows();
        m_form->Command1->click();
        QTest::qWait(100);
        QVERIFY(commands().isEmpty());
        QCOMPARE(rows(), before);
        read(m_form->Command4, 3);
        QCOMPARE(commands(), reads(1, 3));
        QCOMPARE(rows(), before);
    }

    // Every position: oldest first, the undated draft last, names from the list.
    void wholeStoreSorted()
    {
        read(m_form->Command4, 8);
        QCOMPARE(commands(), reads(1, 8));
        QCOMPARE(ids(), S("3 1 4 5 6 7"));
        QCOMPARE(rows().at(2), S("3|4|InfoBanca|06/12/26  08.00:00|+393359609600"));
        QCOMPARE(rows().at(5), S("7|7|+393208877665||+393359609600"));   // behind an empty one
    }

    // Choosing a row shows it; Reply fills the compose area and closes the browser.
    void chooseAndReply_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("shown");      // sender|time|text
        QTest::addColumn<QString>("composed");   // recipient list|number|text, or the warning
        QTest::newRow("list-entry") << 1
            << S("Anna Rossi (+393391234567)|05/12/26  10.00:00|Ciao, ci vediamo domani è")
            << S("Anna Rossi (+393391234567)|+393391234567|Ciao, ci vediamo domani è");
        QTest::newRow("not-in-the-list") << 3
            << S("+393287654321|04/12/26  09.00:00|Καλημέρα Δ!")
            << S("+393287654321|+393287654321|Καλημέρα Δ!");
        QTest::newRow("a-name") << 4 << S("InfoBanca|06/12/26  08.00:00|Saldo: 100€")
                                << S("This message comes from a name, not a number: it cannot "
                                     "be answered.");
    }
    void chooseAndReply()
    {
        QFETCH(int, id);
        QFETCH(QString, shown);
        QFETCH(QString, composed);
        Form1 &main = *m_phone->form;
        main.Text4->setText(S("+390000000000"));
        if (!m_form->isVisible()) {
            m_form->show();
            read(m_form->Command1, 8);
        }
        choose(id);
        QCOMPARE(m_form->Label5->text() + u'|' + m_form->Label6->text() + u'|'
                     + m_form->Text2->toPlainText(), shown);
        m_boxes.shown.clear();
        m_form->Command3->click();
        if (m_boxes.shown.isEmpty()) {
            QCOMPARE(main.Combo2->currentText() + u'|' + main.Text4->text() + u'|'
                         + main.Text5Text(), composed);
            QVERIFY(m_form->isHidden());
        } else {
            QCOMPARE(m_boxes.texts(), QStringList{composed});
            QCOMPARE(main.Text4->text(), S("+390000000000"));
            QVERIFY(m_form->isVisible());
        }
    }

    // The dialog as asked for; Windows-1252 when the text fits, else UTF-8; failures said.
    void saveAs_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");       // empty: the dialog is cancelled
        QTest::addColumn<QByteArray>("bytes");   // or the start of the message shown
        QTest::newRow("windows-1252") << 1 << S("anna.txt")
            << QByteArray("+393391234567 05/12/26  10.00:00\r\nCiao, ci vediamo domani \xE8\r\n");
        QTest::newRow("utf-8") << 3 << S("greek.smi")
            << QByteArray("\xEF\xBB\xBF+393287654321 04/12/26  09.00:00\r\n"
                          "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1 "
                          "\xCE\x94!\r\n");
        QTest::newRow("no-such-folder") << 1 << S("missing/anna.txt")
                                        << QByteArray("Unable to save the message in ");
        QTest::newRow("cancelled") << 1 << QString() << QByteArray();
    }
    void saveAs()
    {
        QFETCH(int, id);
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        m_form->Check1->setChecked(false);
        choose(id);
        m_savePath = name.isEmpty() ? QString() : m_files.filePath(name);
        m_dialogs.clear();
        m_boxes.shown.clear();
        m_form->Command5->click();
        QCOMPARE(m_dialogs.size(), 1);
        QCOMPARE(m_dialogs[0].title + u'|' + m_dialogs[0].filter + u'|'
                     + m_dialogs[0].selectedFilter,
                 S("Salva SMS con nome|All files (*.*);;Text files (*.txt);;SMS files (*.smi)|"
                   "Text files (*.txt)"));
        if (name.startsWith(S("missing"))) {
            QCOMPARE(m_boxes.shown.size(), 1);
            QVERIFY(m_boxes.shown[0].text.toUtf8().startsWith(bytes));
            QVERIFY(m_boxes.shown[0].text.size() > bytes.size() + m_savePath.size() + 2);
            QVERIFY(!QFile::exists(m_savePath));
        } else {
            QVERIFY(m_boxes.shown.isEmpty());
            QCOMPARE(name.isEmpty() ? QByteArray() : saved(), bytes);
        }
    }

    // Saving with "Delete SMS after saving" asks the delete question; Cancel keeps it.
    void saveThenKeep()
    {
        m_form->Check1->setChecked(true);
        commands();
        choose(6);
        m_savePath = m_files.filePath(S("kept.txt"));
        m_boxes.shown.clear();
        m_boxes.answers = {Seams::MsgResult::Cancel};
        m_form->Command5->click();
        QVERIFY(saved().endsWith("Il telefono non lo cancella\r\n"));
        QCOMPARE(m_boxes.texts(),
                 QStringList{S("Are you sure to delete the message:\r   - Il telefono non lo "
                               "cancella")});
        QCOMPARE(m_boxes.shown[0].defaultButton, Seams::MsgResult::Cancel);
        QVERIFY(commands().isEmpty());
        QVERIFY(ids().contains(u'6'));
    }

    // Nothing chosen: nothing; Cancel: nothing; OK: deleted by the index shown in "Id",
    // the row gone and not back at the next listing; refused by the phone: the row stays.
    void deleteMessages()
    {
        read(m_form->Command4, 8);
        commands();
        m_boxes.shown.clear();
        m_form->Command7->click();
        QVERIFY(m_boxes.shown.isEmpty());

        choose(5);
        m_boxes.answers = {Seams::MsgResult::Cancel};
        m_form->Command7->click();
        QCOMPARE(m_boxes.shown.size(), 1);
        QTest::qWait(100);
        QVERIFY(commands().isEmpty());

        m_boxes.answers = {Seams::MsgResult::OK};
        m_form->Command7->click();
        QTRY_VERIFY(!m_phone->state.WaitDeleteReply);
        QCOMPARE(commands(), QStringList{S("AT+CMGD=5")});
        QCOMPARE(ids(), S("3 1 4 6 7"));
        QVERIFY(m_form->Text2->toPlainText().isEmpty());
        m_form->Command1->click();
        QCOMPARE(ids(), S("3 1 4 6 7"));

        choose(6);
        m_boxes.shown.clear();
        m_boxes.answers = {Seams::MsgResult::OK};
        m_form->Command7->click();
        QTRY_VERIFY(!m_phone->state.WaitDeleteReply);
        QCOMPARE(commands(), QStringList{S("AT+CMGD=6")});
        QCOMPARE(m_boxes.texts().last(), S("Command didn't accept by mobile"));
        QCOMPARE(ids(), S("3 1 4 6 7"));

        read(m_form->Command4, 8);   // the phone agrees
        QCOMPARE(ids(), S("3 1 4 6 7"));
    }

    // Exit while a reply is awaited: the reply goes nowhere and nothing more is asked.
    void exitDuringARead()
    {
        m_form->Text3->setText(S("8"));
        commands();
        m_form->Command4->click();
        m_form->Command2->click();
        QVERIFY(m_form->isHidden() && !m_phone->state.WaitReadReply);
        QTest::qWait(300);
        QCOMPARE(commands(), QStringList{S("AT+CMGR=1")});
        QCOMPARE(m_form->ReadIndex(), 1);
    }

    // The demo phone: every kind of stored message, listed in time order and shown right.
    void demoPhone()
    {
        m_boxes.shown.clear();
        QVERIFY2(start(qEnvironmentVariable("SMS_DEMO_SCENARIO")), qPrintable(m_phone->error));
        read(m_form->Command1, 20);
        QCOMPARE(ids(), S("15 14 1 10 6 18 9 19 11 3 4 7 12 13 5 2 8 16 17"));
        const struct
        {
            int id;
            const char *shown;
        } expected[] = {
            {15, "Mamma casa (0521234567)|26/11/26  09.30:00|Passa a prendere il pane."},
            {10, "+393405551234|29/11/26  08.15:00|Buon compleanno! 🎂🎉 Un abbraccio"},
            {18, "Anna Rossi (+393391234567)|01/12/26  10.00:00|Delivered 01/12/26  10.01:30"},
            {9, "+393287654321|01/12/26  19.30:12|"
                "Cena venerdì? 25€ a testa [menu fisso] {vino incluso} ~ ΔΣΩ"},
            {19, "+393479988776|02/12/26  07.30:00|Buongiorno!"},
            {11, "+393471234567|02/12/26  12.12:12|Binary data (22 octets, port 5505)"},
            {13, "+393331112223|03/12/26  18.00:02|Ciao Elena, domani la riunione inizia alle "
                 "nove e mezza in sala B; porta i documenti del progetto. A domani!"},
            {5, "InfoBanca|04/12/26  12.00:30|"
                "Codice di verifica: 483920. Non condividerlo con nessuno."},
            {6, "+393331112223|30/11/26  22.15:48|Grazie di cuore “per tutto” ♥ Ελένη"},
            {14, "3356789012|27/11/26  20.00:00|Ti richiamo stasera."},
            {8, "Anna Rossi (+393391234567)||Ricordati di comprare il pane"},
        };
        QStringList shown;
        for (const auto &row : expected) {
            choose(row.id);
            QCOMPARE(m_form->Label5->text() + u'|' + m_form->Label6->text() + u'|'
                         + m_form->Text2->toPlainText(), S(row.shown));
        }
        for (int id : {3, 4, 7}) {
            choose(id);
            shown << m_form->Text2->toPlainText();
        }
        // Either part of the long text shows all of it; the business card shows as text.
        QVERIFY(shown[0] == shown[1] && shown[0].startsWith(S("Ciao Marco, per il fine"))
                && shown[0].endsWith(S("Ti aspetto, Giulia")));
        QVERIFY(shown[2].startsWith(S("BEGIN:VCARD\nVERSION:2.1\n")));
        // The service centre a phone left out shows empty.
        QVERIFY(rows().filter(S("|19|")).value(0).endsWith(u'|'));
        QVERIFY2(m_boxes.shown.isEmpty(), qPrintable(m_boxes.texts().join(u'|')));
    }
};

QTEST_MAIN(TestE2eBrowser)
#include "tst_e2e_browser.moc"
