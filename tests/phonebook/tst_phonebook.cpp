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
        const char *rows[][2] = {{"Anna (+3912345)", "+3912345"}, {"Bob -Office- (0612345)", "0612345"},
            {"Ann (work) (555)", "work) (555"}, {"x(12)", "12"}, {"x(12)3", "12)"}, {"x(12", "<none>"},
            {"Anna 12)", "<none>"}, {")x(", "<none>"}, {"A ()", ""}, {"", "<none>"}};
        for (const auto &r : rows)
            QCOMPARE(Rubrica::ExtractRecipientNumber(QString::fromUtf8(r[0])).value_or(QStringLiteral("<none>")),
                     QString::fromUtf8(r[1]));
    }

    // Rubrica.txt: one entry a line; reading splits at commas outside quotes and skips blanks.
    void files()
    {
        const struct { const char *text, *entries; bool written; } rows[] = {   // written: Format gives `text`
            {"Anna (+3912345)\r\nBob -Office- (0612345)\r\nZoë -Mobile- (333)\r\n",
             "Anna (+3912345)|Bob -Office- (0612345)|Zoë -Mobile- (333)", true},
            {"Doe, John (123)\r\n", "Doe|John (123)", false}, {"\r\nA (1)\r\n\r\nB (2)\r\n", "A (1)|B (2)", false},
            {"\"C, D (3)\"\r\n", "C, D (3)", false}, {"   E (4)\r\n", "E (4)", false}, {"", "", true}};
        for (const auto &r : rows) {
            const QStringList entries = QString::fromUtf8(r.entries).split(u'|', Qt::SkipEmptyParts);
            QCOMPARE(Rubrica::Parse(QString::fromUtf8(r.text)), entries);
            QVERIFY(!r.written || Rubrica::Format(entries) == QString::fromUtf8(r.text));
        }
    }

    void saveAndLoad()
    {
        MsgBoxRecorder boxes;
        Rig r;
        r.form.Combo2->addItem(QStringLiteral("old (1)"));
        r.form.Mn_Rub_Load_Click();   // no file yet: an empty list, no box
        QCOMPARE(r.form.Combo2->count(), 0);
        r.form.Combo2->addItems({QStringLiteral("Anna (+3912345)"), QStringLiteral("Doe, John (123)")});
        r.form.Mn_Rub_Save_Click();
        QCOMPARE(TextFile::Read(m_dir.filePath(QStringLiteral("Rubrica.txt"))).value_or(QString()),
                 QStringLiteral("Anna (+3912345)\r\nDoe, John (123)\r\n"));
        r.form.Mn_Rub_Load_Click();
        QCOMPARE(r.form.Combo2->count(), 3);   // the comma splits the line on reading
        QCOMPARE(r.form.Combo2->itemText(2), QStringLiteral("John (123)"));
        QVERIFY(r.form.Combo2->isEnabled() && boxes.shown.isEmpty());

        Seams::setProgramFolder(m_dir.filePath(QStringLiteral("missing/folder")));
        r.form.Mn_Rub_Save_Click();
        Seams::setProgramFolder(m_dir.path());
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].title == QStringLiteral("Error.") && r.form.Combo2->count() == 3);
    }

    void choosingARecipient()
    {
        Rig r;
        r.form.Combo2->addItems({QStringLiteral("Anna (+3912345)"), QStringLiteral("Bob -Office- (0612345)")});
        r.form.Combo2->setCurrentIndex(1);
        r.form.Combo2->setEditText(QStringLiteral("x(12"));
        QCOMPARE(r.form.Text4->text(), QStringLiteral("0612345"));   // nothing until ")"
        QTest::keyClick(r.form.Combo2->lineEdit(), Qt::Key_ParenRight);
        QCOMPARE(r.form.Text4->text(), QStringLiteral("12"));
    }
};

QTEST_MAIN(TestPhonebook)
#include "tst_phonebook.moc"
