// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's side of the message browser: opening it and handing it its replies.
#include "app/form1.h"

#include "app/replydispatcher.h"
#include "browser/form5.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

/// The browser's view of the main window.
class Form1BrowserView : public BrowserView
{
public:
    explicit Form1BrowserView(Form1 &f) : m_f(f) {}

    void writeCommand(const QString &command) override { m_f.Dispatcher().writeCommand(command); }
    void clearReceiveBuffer() override { m_f.ClearReceiveBuffer(); }
    QStringList recipientEntries() const override
    {
        QStringList entries;
        for (int i = 0; i < m_f.Combo2->count(); ++i)
            entries << m_f.Combo2->itemText(i);
        return entries;
    }
    void setReply(const QString &listText, const QString &number, const QString &text) override
    {
        m_f.Combo2->setEditText(listText);   // the list takes a number out of its own lines
        m_f.Text4->setText(number);
        m_f.setText5Text(text);
    }

private:
    Form1 &m_f;
};

} // namespace

Form5 *Form1::BrowserWindow()
{
    if (auto *w = findChild<Form5 *>(QString(), Qt::FindDirectChildrenOnly))
        return w;
    return new Form5(m_state, std::make_unique<Form1BrowserView>(*this), this);
}

void Form1::Command4_Click()
{
    if (RefuseDuringDownload())
        return;
    BrowserWindow()->exec();
}

void Form1::BrowserReadReply(const QString &buffer)
{
    if (auto *w = findChild<Form5 *>(QString(), Qt::FindDirectChildrenOnly))
        w->PhoneReply(buffer);
}

void Form1::BrowserLineLost()
{
    if (auto *w = findChild<Form5 *>(QString(), Qt::FindDirectChildrenOnly))
        w->LineLost();
}
