// SPDX-License-Identifier: GPL-3.0-or-later
// The recipient list on the main window: Load, Save and the choice of a recipient.
#include "app/appstate.h"
#include "app/form1.h"
#include "app/seams.h"
#include "app/textfile.h"
#include "fakephoneport.h"
#include "msgboxrecorder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestPhonebookWindow : public QObject
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
        QVERIFY(r.form.Combo2->isEnabled());
        QVERIFY(boxes.shown.isEmpty());

        Seams::setProgramFolder(m_dir.filePath(QStringLiteral("missing/folder")));
        r.form.Mn_Rub_Save_Click();
        Seams::setProgramFolder(m_dir.path());
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Error."));
        QCOMPARE(r.form.Combo2->count(), 3);
    }

    void choosingARecipient()
    {
        Rig r;
        r.form.Combo2->addItems({QStringLiteral("Anna (+3912345)"), QStringLiteral("Bob -Office- (0612345)")});
        r.form.Combo2->setCurrentIndex(1);
        QCOMPARE(r.form.Text4->text(), QStringLiteral("0612345"));
        r.form.Combo2->setEditText(QStringLiteral("x(12"));
        QCOMPARE(r.form.Text4->text(), QStringLiteral("0612345"));   // nothing until ")"
        QTest::keyClick(r.form.Combo2->lineEdit(), Qt::Key_ParenRight);
        QCOMPARE(r.form.Text4->text(), QStringLiteral("12"));
    }
};

QTEST_MAIN(TestPhonebookWindow)
#include "tst_phonebook_window.moc"
