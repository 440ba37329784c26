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

    // Rubrica.txt: each line that is not blank is one entry, exactly as saved. An overlong
    // line is skipped as it is read, and reading stops at the entry limit.
    void files()
    {
        QString big = S("z").repeated(3 << 20) + S("\r\nfirst (1)\r\n");
        QStringList bigList = {S("first (1)")};
        for (int i = 0; i < Rubrica::kMaxEntries + 5; ++i)
            big += S("n (%1)\r\n").arg(i), bigList << S("n (%1)").arg(i);
        const struct { QString text; QStringList entries; bool written; } rows[] = {
            {S("Anna (+3912345)\r\nBob -Office- (0612345)\r\nZo\u00eb -Mobile- (333)\r\n"),
             {S("Anna (+3912345)"), S("Bob -Office- (0612345)"), S("Zo\u00eb -Mobile- (333)")}, true},
            {S("Doe, John (123)\r\n\"C, D\" (3)\r\n   E (4)\r\n"),
             {S("Doe, John (123)"), S("\"C, D\" (3)"), S("   E (4)")}, true},
            {S("\r\nA (1)\r\n \t \r\n\nB (2)\rC (3)"), {S("A (1)"), S("B (2)"), S("C (3)")},
             false},
            {S("x").repeated(256) + S("\r\n") + S("y").repeated(257) + S("\r\n"),
             {S("x").repeated(256)}, false},
            {big, bigList.mid(0, Rubrica::kMaxEntries), false}, {QString(), {}, true}};
        const QString path = m_dir.filePath(S("rows.txt"));
        for (const auto &r : rows) {
            QCOMPARE(Rubrica::Parse(r.text), r.entries);
            QVERIFY(!r.written || Rubrica::Format(r.entries) == r.text);
            QVERIFY(TextFile::WriteAtomic(path, r.text));
            QCOMPARE(Rubrica::Load(path).value_or(QStringList{S("<none>")}), r.entries);
        }
        QVERIFY(!Rubrica::Load(m_dir.filePath(S("missing.txt"))));
    }

    // Saved and loaded back as they were; loading at start-up picks no recipient, so a typed
    // number is exactly that number. A failed save keeps the list and says why.
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
        Rig s;
        s.form.Form_Load();
        QCOMPARE(s.form.Combo2->count(), 3);
        QCOMPARE(s.form.Combo2->itemText(1) + s.form.Combo2->itemText(2), saved[1] + saved[2]);
        QVERIFY(s.form.Combo2->currentText().isEmpty() && s.form.Text4->text().isEmpty());
        QTest::keyClicks(s.form.Text4, S("+39333"));
        QCOMPARE(s.form.Text4->text(), S("+39333"));
        QVERIFY(s.form.Combo2->isEnabled() && boxes.shown.isEmpty());

        Seams::setProgramFolder(m_dir.filePath(S("missing/folder")));
        r.form.Mn_Rub_Save_Click();
        Seams::setProgramFolder(m_dir.path());
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].title == S("Error.") && r.form.Combo2->count() == 3);
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
