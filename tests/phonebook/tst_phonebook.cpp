// SPDX-License-Identifier: GPL-3.0-or-later
// Rubrica.txt, recipient numbers, and the recipient list's Load, Save and choice.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/seams.h"
#include "app/textfile.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"
#include "phonebook/rubrica.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
QString S(const char *s) { return QString::fromUtf8(s); }
} // namespace

class TestPhonebook : public QObject
{
    Q_OBJECT
    struct Rig
    {
        AppState state;
        FakePhonePort port;
        Form1 form{state, port};
        Rig() { form.Timer1->stop(); }
    };
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { Seams::setProgramFolder(m_dir.path()); }
    void cleanupTestCase() { Seams::setProgramFolder(QString()); }

    void extract()
    {
        const char *rows[][2] = {
            {"Anna (+3912345)", "+3912345"}, {"Bob -Office- (0612345)", "0612345"},
            {"Ann (work) (555)", "work) (555"}, {"x(12)", "12"}, {"x(12)3", "12)"},
            {"x(12", "<none>"}, {"Anna 12)", "<none>"}, {")x(", "<none>"}, {"A ()", ""},
            {"", "<none>"}};
        for (const auto &r : rows)
            QCOMPARE(Rubrica::ExtractRecipientNumber(S(r[0])).value_or(S("<none>")), S(r[1]));
    }

    // Rubrica.txt: each line that is not blank is one entry, exactly as saved.
    void files_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<bool>("written");   // Save writes `text` for these entries
        const auto row = [](const char *name, const QString &text, const QString &entries,
                            bool written) { QTest::newRow(name) << text << entries << written; };
        row("download-lines",
            S("Anna (+3912345)\r\nBob -Office- (0612345)\r\nZo\u00eb -Mobile- (333)\r\n"),
            S("Anna (+3912345)|Bob -Office- (0612345)|Zo\u00eb -Mobile- (333)"), true);
        row("comma", S("Doe, John (123)\r\n"), S("Doe, John (123)"), true);
        row("leading-quote", S("\"C, D\" (3)\r\n"), S("\"C, D\" (3)"), true);
        row("leading-blanks", S("   E (4)\r\n"), S("   E (4)"), true);
        row("blank-lines", S("\r\nA (1)\r\n \t \r\n\r\nB (2)\r\n"), S("A (1)|B (2)"), false);
        row("lf-and-no-last-end", S("A (1)\nB (2)\rC (3)"), S("A (1)|B (2)|C (3)"), false);
        row("longest-line", S("x").repeated(256) + S("\r\n"), S("x").repeated(256), true);
        row("overlong-line-skipped", S("A (1)\r\n") + S("y").repeated(257) + S("\r\nB (2)\r\n"),
            S("A (1)|B (2)"), false);
        row("empty", QString(), QString(), true);
    }
    void files()
    {
        QFETCH(QString, text);
        QFETCH(QString, entries);
        QFETCH(bool, written);
        const QStringList list = entries.split(u'|', Qt::SkipEmptyParts);
        QCOMPARE(Rubrica::Parse(text), list);
        QVERIFY(!written || Rubrica::Format(list) == text);
        const QString path = m_dir.filePath(S("rows.txt"));
        QVERIFY(TextFile::WriteAtomic(path, text));
        QCOMPARE(Rubrica::Load(path).value_or(QStringList{S("<none>")}), list);
    }

    // A huge file costs no more than the entries kept: long lines are skipped as they are
    // read, and reading stops at the entry limit.
    void oversizedFile()
    {
        const QString path = m_dir.filePath(S("big.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(3 << 20, 'z') + "\r\nfirst (1)\r\n");
        for (int i = 0; i < Rubrica::kMaxEntries + 5; ++i)
            f.write("n (" + QByteArray::number(i) + ")\r\n");
        f.close();
        const QStringList list = Rubrica::Load(path).value_or(QStringList());
        QCOMPARE(list.size(), Rubrica::kMaxEntries);
        QCOMPARE(list.first(), S("first (1)"));
        QCOMPARE(list.last(), S("n (%1)").arg(Rubrica::kMaxEntries - 2));
        QVERIFY(!Rubrica::Load(m_dir.filePath(S("missing.txt"))));
    }

    void saveAndLoad()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.form.Combo2->addItem(S("old (1)"));
        r.form.Mn_Rub_Load_Click();   // no file yet: an empty list, no box
        QCOMPARE(r.form.Combo2->count(), 0);
        const QStringList saved = {S("Anna (+3912345)"), S("Doe, John (123)"), S("\"Q\" (9)")};
        r.form.Combo2->addItems(saved);
        r.form.Mn_Rub_Save_Click();
        QCOMPARE(TextFile::Read(m_dir.filePath(S("Rubrica.txt"))).value_or(QString()),
                 S("Anna (+3912345)\r\nDoe, John (123)\r\n\"Q\" (9)\r\n"));
        r.form.Text4->clear();
        r.form.Mn_Rub_Load_Click();
        QStringList loaded;
        for (int i = 0; i < r.form.Combo2->count(); ++i)
            loaded << r.form.Combo2->itemText(i);
        QCOMPARE(loaded, saved);
        QVERIFY(r.form.Combo2->isEnabled() && boxes.shown.isEmpty());
        // Loading picks nothing: the edit field and the recipient stay empty.
        QVERIFY(r.form.Combo2->currentText().isEmpty() && r.form.Text4->text().isEmpty());

        Seams::setProgramFolder(m_dir.filePath(S("missing/folder")));
        r.form.Mn_Rub_Save_Click();
        Seams::setProgramFolder(m_dir.path());
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].title == S("Error.") && r.form.Combo2->count() == 3);
    }

    // With a saved list, start-up leaves the recipient empty: a typed number is the number.
    void startUpPicksNoRecipient()
    {
        MsgBoxRecorder boxes;
        QVERIFY(TextFile::WriteAtomic(m_dir.filePath(S("Rubrica.txt")),
                                      S("Anna (+3912345)\r\nBob (0612345)\r\n")));
        Rig r;
        r.form.Form_Load();
        QCOMPARE(r.form.Combo2->count(), 2);
        QVERIFY(r.form.Combo2->currentText().isEmpty() && r.form.Text4->text().isEmpty());
        QTest::keyClicks(r.form.Text4, S("+39333"));
        QCOMPARE(r.form.Text4->text(), S("+39333"));
        r.form.Combo2->setCurrentIndex(1);
        r.form.Combo2_Click();
        QCOMPARE(r.form.Text4->text(), S("0612345"));
    }

    void choosingARecipient()
    {
        Rig r;
        r.form.Combo2->addItems({S("Anna (+3912345)"), S("Bob -Office- (0612345)")});
        r.form.Combo2->setCurrentIndex(1);
        r.form.Combo2->setEditText(QStringLiteral("x(12"));
        QCOMPARE(r.form.Text4->text(), QStringLiteral("0612345"));   // nothing until ")"
        QTest::keyClick(r.form.Combo2->lineEdit(), Qt::Key_ParenRight);
        QCOMPARE(r.form.Text4->text(), QStringLiteral("12"));
    }
};

QTEST_MAIN(TestPhonebook)
#include "tst_phonebook.moc"
