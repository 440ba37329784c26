// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/accessibility.h"

#include "app/form1.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>

namespace Accessibility {

void NameForm1Fields(Form1 &f)
{
    f.Label1->setBuddy(f.Text2);
    f.Label6->setBuddy(f.Text4);
    f.Label9->setBuddy(f.Text6);
    f.Label10->setBuddy(f.Text7);
    f.Label15->setBuddy(f.Text8);
    // A caption with a colon reads badly; these say plainly what the boxes hold.
    f.Text2->setAccessibleName(QStringLiteral("Service centre number"));
    f.Text4->setAccessibleName(QStringLiteral("Recipient number"));
    f.Text5->setAccessibleName(QStringLiteral("Message text"));
    f.Text6->setAccessibleName(QStringLiteral("Sent messages"));
    f.Text3->setAccessibleName(QStringLiteral("Message parts built"));
    f.Combo2->setAccessibleName(QStringLiteral("Recipient list"));
    f.Text7->setAccessibleName(QStringLiteral("Country code"));
    f.Text8->setAccessibleName(QStringLiteral("Operator code"));
    f.ProgressBar1->setAccessibleName(
        QStringLiteral("Phone search and phonebook download progress"));
    const char *const panels[] = {"Port", "Port settings", "Flow control", "Connection",
                                  "Credits"};
    for (int i = 0; i < 5; ++i)
        f.StatusBar1Panel[size_t(i)]->setAccessibleName(QLatin1String(panels[i]));
}

} // namespace Accessibility
