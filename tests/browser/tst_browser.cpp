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
} // namespace

class TestBrowser : public QObject
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
        TextFile::WriteAtomic(m_phone->file(S("Rubrica.txt")),
                              S("Anna Rossi (+393391234567)\r\nMamma casa (0521234567)\r\n"));
        if (!m_phone->start(qEnvironmentVariable("SMS_PHONESIM"), scenario))
            return false;
        m_form = m_phone->form->BrowserWindow();
        m_form->show();   // not modal here, so that the test can drive it
        return true;
    }
    // The command lines the phone received since the last call. Fails when one reached the
    // phone before the reply to the one before it was wholly on the line.
    QStringList commands()
    {
        const QList<QJsonObject> all = m_phone->events();
        QStringList out;
        qint64 replyDone = -1;
        bool awaited = false;   // the last command's reply has not begun yet
        for (const QJsonObject &e : all.mid(m_from)) {
            const auto n = [&e](const char *k) { return qint64(e[QLatin1String(k)].toDouble()); };
            const QString type = e[u"type"].toString();
            if (type == u"command") {
                out << e[u"line"].toString();
                if (awaited || n("ms") < replyDone)
                    return {out.last() + S(" came before the reply it waited for")};
                awaited = true;
            } else if (type == u"reply" && std::exchange(awaited, false)) {
                replyDone = n("ms") + n("delayMs") + 2 * (n("chunks") - 1);   // chunk gap 2 ms
            }
        }
        m_from = all.size();
        return out;
    }
    /// One grid row as "Progr.|Id|Sender|Date and Time|Service C. used".
    QString row(int r) const
    {
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << m_form->Grid1->item(r, c)->text();
        return cells.join(u'|');
    }
    /// The "Id" column in list order.
    QString ids() const
    {
        QStringList out;
        for (int r = 0; r < m_form->Grid1->rowCount(); ++r)
            out << m_form->Grid1->item(r, 1)->text();
        return out.join(u' ');
    }
    QString chosen() const
    {
        return m_form->Label5->text() + u'|' + m_form->Label6->text() + u'|'
               + m_form->Text2->toPlainText();
    }
    void read(QPushButton *button, int capacity)
    {
        m_form->Text3->setText(QString::number(capacity));
        commands();
        button->click();
        QTRY_VERIFY_WITH_TIMEOUT(!m_phone->state.WaitReadReply && m_form->ReadIndex() == capacity
                                     && m_form->Command4->isEnabled(), 20000);
    }
    QStringList reads(int last) const
    {
        QStringList out;
        for (int i = 1; i <= last; ++i)
            out << S("AT+CMGR=%1").arg(i);
        return out;
    }
    /// Clicks the row of storage index `id` with the mouse.
    void choose(int id)
    {
        for (QTableWidgetItem *item : m_form->Grid1->findItems(QString::number(id), {}))
            if (item->column() == 1)
                return QTest::mouseClick(m_form->Grid1->viewport(), Qt::LeftButton, {},
                                         m_form->Grid1->visualItemRect(item).center());
        QFAIL("no such row");
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

    // Twips at 15 to the pixel; labels only where they start.
    void laidOut()
    {
        const char *controls[][3] = {
            {"Grid1", "8 16 545 257", ""}, {"Command1", "8 280 73 25", "Read SMS"},
            {"Command4", "88 280 73 25", "Update"}, {"Command5", "320 280 73 25", "Save as.."},
            {"Command3", "400 280 73 25", "Reply"}, {"Command7", "480 280 73 25", "Delete"},
            {"Command2", "480 432 73 25", "Exit"}, {"Text2", "8 336 337 81", ""},
            {"Text3", "72 421 49 19", "20"}, {"Check1", "8 448 185 17", "Delete SMS after saving"},
            {"ProgressBar1", "8 472 545 17", "0%"}, {"Label1", "8 320", "Text of message:"},
            {"Label3", "360 328", "Sender:"}, {"Label5", "384 352", ""},
            {"Label4", "360 376", "Date and Time: (DD/MM/YY)"}, {"Label6", "384 400", ""},
            {"Label2", "8 424", "Capacity:"}};
        for (const auto &c : controls) {
            const QWidget *w = m_form->findChild<QWidget *>(S(c[0]));
            QVERIFY2(w, c[0]);
            const QRect g = w->geometry();
            QCOMPARE(S("%1 %2 %3 %4 ").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height())
                         .left(int(strlen(c[1]))) + u'|' + w->property("text").toString(),
                     S(c[1]) + u'|' + S(c[2]));
        }
        QStringList columns;
        for (int c = 0; c < m_form->Grid1->columnCount(); ++c) {
            const QTableWidgetItem *h = m_form->Grid1->horizontalHeaderItem(c);
            columns << S("%1 %2 %3").arg(h->text()).arg(m_form->Grid1->columnWidth(c))
                           .arg(h->textAlignment() == Qt::AlignCenter);
        }
        QCOMPARE(columns, S("Progr. 47 1|Id 47 1|Sender 187 1|Date and Time 187 1|"
                            "Service C. used 120 1").split(u'|'));
        QVERIFY(m_form->isModal() && m_form->parent() == m_phone->form.get());
        QCOMPARE(m_form->windowTitle() + u' ' + QString::number(m_form->minimumWidth()) + u' '
                     + QString::number(m_form->maximumHeight()), S("Browser SMS 563 501"));
        QVERIFY(m_form->Check1->isChecked() && !m_form->Text1->isVisible());
        QVERIFY(!m_form->Command4->isEnabled() && !m_form->Command3->isEnabled()
                && !m_form->Command7->isEnabled());
    }

    // "Browse SMS" opens the one browser modally (refused during a phonebook download:
    // tst_phonebook).
    void browseButton()
    {
        m_form->Command2->click();
        QString shown;
        QTimer::singleShot(0, m_form, [&] {
            QWidget *w = QApplication::activeModalWidget();
            shown = w ? w->objectName() : S("none");
            m_form->Command2->click();
        });
        m_phone->form->Command4->click();
        QCOMPARE(shown, S("Form5"));
        QCOMPARE(m_phone->form->BrowserWindow(), m_form);
        m_form->show();
    }

    // A whole number from 1 to 999 is taken at once; anything else is refused when the
    // typing is over, and the value from before the typing comes back.
    void capacity_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("capacity");
        QTest::newRow("twelve") << S("12") << 12;
        QTest::newRow("top") << S("999") << 999;
        QTest::newRow("rounded") << S("7.6") << 8;
        QTest::newRow("zero") << S("0") << 0;
        QTest::newRow("above-after-100") << S("1000") << 0;
        QTest::newRow("letters") << S("abc") << 0;
    }
    void capacity()
    {
        QFETCH(QString, typed); QFETCH(int, capacity);
        m_phone->state.SmsCapacity = 20;
        m_form->Form_Activate();
        m_boxes.shown.clear();
        m_form->Text3->selectAll();
        QTest::keyClicks(m_form->Text3, typed);
        QTest::keyClick(m_form->Text3, Qt::Key_Return);
        const int expected = capacity > 0 ? capacity : 20;
        QCOMPARE(int(m_phone->state.SmsCapacity), expected);
        QCOMPARE(m_form->ProgressBar1->maximum(), expected);
        QCOMPARE(m_form->Text3->text(), capacity > 0 ? typed : S("20"));
        QCOMPARE(m_boxes.shown.size(), capacity > 0 ? 0 : 1);
        // Kept with the other settings.
        m_phone->form->Mn_Salva_Imp_Click();
        const auto setting = TextFile::Read(m_phone->file(S("Setting.sms")));
        QCOMPARE(setting.value_or(QString()).split(S("\r\n")).value(9), S(" %1 ").arg(expected));
        m_boxes.shown.clear();
    }

    void readChain()
    {
        // Position 2 is empty and answered with an error: it counts as empty, the read goes on.
        read(m_form->Command1, 3);
        QCOMPARE(commands(), reads(3));
        QCOMPARE(ids(), S("3 1"));
        QCOMPARE(row(0), S("1|3|+393287654321|04/12/26  09.00:00|+393359609600"));
        QCOMPARE(row(1), S("2|1|Anna Rossi (+393391234567)|05/12/26  10.00:00|+393359609600"));
        QVERIFY(m_boxes.shown.isEmpty());
        // Listing again after the read shows each message once; Update reads the phone again.
        m_form->Command1->click();
        QTest::qWait(100);
        QVERIFY(commands().isEmpty());
        QCOMPARE(ids(), S("3 1"));
        read(m_form->Command4, 3);
        QCOMPARE(commands(), reads(3));
        QCOMPARE(ids(), S("3 1"));
        // Every position: oldest first, the undated draft behind, names from the list.
        read(m_form->Command4, 8);
        QCOMPARE(commands(), reads(8));
        QCOMPARE(ids(), S("3 1 4 5 6 7"));
        QCOMPARE(row(2), S("3|4|InfoBanca|06/12/26  08.00:00|+393359609600"));
        QCOMPARE(row(5), S("7|7|+393208877665||+393359609600"));   // behind an empty one
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
        QFETCH(int, id); QFETCH(QString, shown); QFETCH(QString, composed);
        Form1 &main = *m_phone->form;
        main.Text4->setText(S("+390000000000"));
        if (!m_form->isVisible()) {
            m_form->show();
            read(m_form->Command1, 8);
        }
        choose(id);
        QCOMPARE(chosen(), shown);
        m_boxes.shown.clear();
        m_form->Command3->click();
        if (m_boxes.shown.isEmpty()) {
            QCOMPARE(main.Combo2->currentText() + u'|' + main.Text4->text() + u'|'
                         + main.Text5Text(), composed);
            QVERIFY(m_form->isHidden());
        } else {
            QCOMPARE(m_boxes.texts(), QStringList{composed});
            QVERIFY(m_form->isVisible() && main.Text4->text() == S("+390000000000"));
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
            << QByteArray("\xEF\xBB\xBF+393287654321 04/12/26  09.00:00\r\n\xCE\x9A\xCE\xB1\xCE"
                          "\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1 \xCE\x94!\r\n");
        QTest::newRow("no-such-folder") << 1 << S("missing/anna.txt")
                                        << QByteArray("Unable to save the message in ");
        QTest::newRow("cancelled") << 1 << QString() << QByteArray();
    }
    void saveAs()
    {
        QFETCH(int, id); QFETCH(QString, name); QFETCH(QByteArray, bytes);
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
        QFile f(m_savePath);
        if (name.startsWith(S("missing"))) {   // the reason follows the file's name
            const QString head = QString::fromLatin1(bytes) + m_savePath;
            QCOMPARE(m_boxes.shown.size(), 1);
            QVERIFY(m_boxes.shown[0].text.startsWith(head) && !f.exists()
                    && m_boxes.shown[0].text.size() > head.size() + 2);
        } else {
            QVERIFY(m_boxes.shown.isEmpty());
            QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), bytes);
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
        QVERIFY(QFile::exists(m_savePath));
        QCOMPARE(m_boxes.texts(), QStringList{S("Are you sure to delete the message:\r   - "
                                                "Il telefono non lo cancella")});
        QCOMPARE(m_boxes.shown[0].defaultButton, Seams::MsgResult::Cancel);
        QVERIFY(commands().isEmpty());
        QCOMPARE(ids(), S("3 1 4 5 6 7"));
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
        const struct { int id; const char *shown; } expected[] = {
            {15, "Mamma casa (0521234567)|26/11/26  09.30:00|Passa a prendere il pane."},
            {18, "Anna Rossi (+393391234567)|01/12/26  10.00:00|Delivered 01/12/26  10.01:30"},
            {9, "+393287654321|01/12/26  19.30:12|"
                "Cena venerdì? 25€ a testa [menu fisso] {vino incluso} ~ ΔΣΩ"},
            {11, "+393471234567|02/12/26  12.12:12|Binary data (22 octets, port 5505)"},
            {13, "+393331112223|03/12/26  18.00:02|Ciao Elena, domani la riunione inizia alle "
                 "nove e mezza in sala B; porta i documenti del progetto. A domani!"},
            {6, "+393331112223|30/11/26  22.15:48|Grazie di cuore “per tutto” ♥ Ελένη"},
            {8, "Anna Rossi (+393391234567)||Ricordati di comprare il pane"},
        };
        for (const auto &e : expected) {
            choose(e.id);
            QCOMPARE(chosen(), S(e.shown));
        }
        QStringList texts;
        for (int id : {3, 4, 7}) {
            choose(id);
            texts << m_form->Text2->toPlainText();
        }
        // Either part of the long text shows all of it; the business card shows as text.
        QVERIFY(texts[0] == texts[1] && texts[0].startsWith(S("Ciao Marco, per il fine"))
                && texts[0].endsWith(S("Ti aspetto, Giulia")));
        QVERIFY(texts[2].startsWith(S("BEGIN:VCARD\nVERSION:2.1\n")));
        QVERIFY(row(7).endsWith(S("|19|+393479988776|02/12/26  07.30:00|")));   // no centre
        QVERIFY2(m_boxes.shown.isEmpty(), qPrintable(m_boxes.texts().join(u'|')));
    }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
