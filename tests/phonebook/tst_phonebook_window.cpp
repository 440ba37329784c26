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
    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        Seams::setProgramFolder(m_dir->path());
    }
    void cleanup() { Seams::setProgramFolder(QString()); }

    void saveThenLoad()
    {
        AppState state;
        FakePhonePort port;
        Form1 form(state, port);
        form.Timer1->stop();
        form.Combo2->addItems({QStringLiteral("Anna (+3912345)"), QStringLiteral("Doe, John (123)")});
        form.Mn_Rub_Save_Click();
        QCOMPARE(TextFile::Read(m_dir->filePath(QStringLiteral("Rubrica.txt"))).value_or(QString()),
                 QStringLiteral("Anna (+3912345)\r\nDoe, John (123)\r\n"));
        form.Mn_Rub_Load_Click();
        QCOMPARE(form.Combo2->count(), 3);
        QCOMPARE(form.Combo2->itemText(2), QStringLiteral("John (123)"));
        QVERIFY(form.Combo2->isEnabled());
    }

    void loadWithoutFileEmptiesTheList()
    {
        AppState state;
        FakePhonePort port;
        Form1 form(state, port);
        form.Timer1->stop();
        form.Combo2->addItem(QStringLiteral("old (1)"));
        MsgBoxRecorder boxes;
        form.Mn_Rub_Load_Click();
        QCOMPARE(form.Combo2->count(), 0);
        QVERIFY(boxes.shown.isEmpty());
    }

    void failedSaveKeepsTheList()
    {
        AppState state;
        FakePhonePort port;
        Form1 form(state, port);
        form.Timer1->stop();
        form.Combo2->addItem(QStringLiteral("A (1)"));
        Seams::setProgramFolder(m_dir->filePath(QStringLiteral("missing/folder")));
        MsgBoxRecorder boxes;
        form.Mn_Rub_Save_Click();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Error."));
        QCOMPARE(form.Combo2->count(), 1);
    }

    void choosingARecipient()
    {
        AppState state;
        FakePhonePort port;
        Form1 form(state, port);
        form.Timer1->stop();
        form.Combo2->addItems({QStringLiteral("Anna (+3912345)"), QStringLiteral("Bob -Office- (0612345)")});
        form.Combo2->setCurrentIndex(1);
        QCOMPARE(form.Text4->text(), QStringLiteral("0612345"));
        form.Combo2->setEditText(QStringLiteral("x(12"));
        QCOMPARE(form.Text4->text(), QStringLiteral("0612345"));   // nothing until ")"
        QTest::keyClick(form.Combo2->lineEdit(), Qt::Key_ParenRight);
        QCOMPARE(form.Text4->text(), QStringLiteral("12"));
    }
};

QTEST_MAIN(TestPhonebookWindow)
#include "tst_phonebook_window.moc"
