// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/form5.h"

#include "app/appstate.h"
#include "app/replydispatcher.h"
#include "app/seams.h"
#include "app/textfile.h"
#include "app/vbstrings.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>

#include <cmath>

using Lettura::SmsRecord;

namespace {

// Sizes are laid out in twips, 15 to a pixel.
constexpr int Px(int twips) { return (twips + 7) / 15; }
QRect Twips(int left, int top, int width, int height)
{
    return {Px(left), Px(top), Px(width), Px(height)};
}

struct Column
{
    const char *header;
    int width;   // twips
};
constexpr Column kColumns[] = {{"Progr.", 700}, {"Id", 700}, {"Sender", 2800},
                               {"Date and Time", 2800}, {"Service C. used", 1800}};

QTableWidgetItem *Centred(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

// A text box shows a line break as one; the message may hold CR LF, CR or LF.
QString ForDisplay(const QString &message)
{
    QString t = message;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

} // namespace

Form5::Form5(AppState &state, std::unique_ptr<BrowserView> view, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
    , m_state(state)
    , m_view(std::move(view))
    , m_sms(51)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Browser SMS"));
    setModal(true);
    // The sizes below are made for this face at this size.
    QFont f = font();
    f.setFamilies({QStringLiteral("Verdana")});
    f.setPointSize(8);
    setFont(f);
    createControls();
    connectSignals();
}

Form5::~Form5() = default;

void Form5::createControls()
{
    auto named = [this](auto *w, const char *name, QRect geometry) {
        w->setObjectName(QLatin1String(name));
        w->setParent(this);
        w->setGeometry(geometry);
        return w;
    };
    auto button = [&](const char *name, const char *text, int left, int top) {
        auto *b = named(new QPushButton(QString::fromLatin1(text)), name,
                        Twips(left, top, 1095, 375));
        b->setAutoDefault(false);
        return b;
    };
    // Labels have no given size: as wide as their text, and the value labels reach the
    // right edge.
    auto label = [&](const char *name, const char *text, int left, int top, int width = 0) {
        auto *l = named(new QLabel(QString::fromLatin1(text)), name, Twips(left, top, 0, 0));
        l->adjustSize();
        if (width > 0)
            l->resize(Px(width), l->height());
        return l;
    };

    Grid1 = named(new QTableWidget(0, int(std::size(kColumns))), "Grid1",
                  Twips(120, 240, 8175, 3855));
    Grid1->verticalHeader()->hide();
    Grid1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Grid1->setWordWrap(false);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->horizontalHeader()->setHighlightSections(false);
    for (int c = 0; c < int(std::size(kColumns)); ++c) {
        Grid1->setHorizontalHeaderItem(c, Centred(QString::fromLatin1(kColumns[c].header)));
        Grid1->setColumnWidth(c, Px(kColumns[c].width));
    }

    Command1 = button("Command1", "Read SMS", 120, 4200);
    Command4 = button("Command4", "Update", 1320, 4200);
    Command5 = button("Command5", "Save as..", 4800, 4200);
    Command3 = button("Command3", "Reply", 6000, 4200);
    Command7 = button("Command7", "Delete", 7200, 4200);
    Command2 = button("Command2", "Exit", 7200, 6480);
    for (QPushButton *b : {Command4, Command3, Command7})
        b->setEnabled(false);

    Label1 = label("Label1", "Text of message:", 120, 4800);
    Text2 = named(new QPlainTextEdit, "Text2", Twips(120, 5040, 5055, 1215));
    Label3 = label("Label3", "Sender:", 5400, 4920);
    Label5 = label("Label5", "", 5760, 5280, 8445 - 120 - 5760);
    Label4 = label("Label4", "Date and Time: (DD/MM/YY)", 5400, 5640);
    Label6 = label("Label6", "", 5760, 6000, 8445 - 120 - 5760);
    Label2 = label("Label2", "Capacity:", 120, 6360);
    Text3 = named(new QLineEdit, "Text3", Twips(1080, 6315, 735, 285));
    Check1 = named(new QCheckBox(QStringLiteral("Delete SMS after saving")), "Check1",
                   Twips(120, 6720, 2775, 255));
    Check1->setChecked(true);
    ProgressBar1 = named(new QProgressBar, "ProgressBar1", Twips(120, 7080, 8175, 255));
    ProgressBar1->setTextVisible(false);
    Text1 = named(new QLineEdit, "Text1", Twips(120, 6120, 180, 285));
    Text1->hide();

    // Names for screen readers; the captions keep their text.
    Label1->setBuddy(Text2);
    Label2->setBuddy(Text3);
    Grid1->setAccessibleName(QStringLiteral("Stored messages"));
    Label5->setAccessibleName(QStringLiteral("Sender"));
    Label6->setAccessibleName(QStringLiteral("Date and time"));
    ProgressBar1->setAccessibleName(QStringLiteral("Read progress"));
    Text1->setAccessibleName(QStringLiteral("Last reply"));

    setFixedSize(Px(8445), Px(7515));
}

void Form5::connectSignals()
{
    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    connect(Command4, &QPushButton::clicked, this, &Form5::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form5::Command5_Click);
    connect(Command3, &QPushButton::clicked, this, &Form5::Command3_Click);
    connect(Command7, &QPushButton::clicked, this, &Form5::Command7_Click);
    connect(Command2, &QPushButton::clicked, this, &Form5::Command2_Click);
    // A click on a row, and a row reached with the keys.
    connect(Grid1, &QTableWidget::cellClicked, this, &Form5::Grid1_Click);
    connect(Grid1, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previousRow) {
                if (row >= 0 && row != previousRow)
                    Grid1_Click();
            });
    connect(Text3, &QLineEdit::textChanged, this, &Form5::Text3_Change);
    connect(Text3, &QLineEdit::editingFinished, this, &Form5::Text3_LostFocus);
}

void Form5::showEvent(QShowEvent *event)
{
    Form_Activate();
    QDialog::showEvent(event);
}

void Form5::Form_Activate()
{
    m_view->clearReceiveBuffer();
    m_readIndex = 0;
    // A capacity from the settings file outside what can be typed is brought inside.
    m_state.SmsCapacity = std::int16_t(std::clamp<int>(m_state.SmsCapacity, 1, kMaxCapacity));
    m_capacityKept = m_state.SmsCapacity;
    Text3->setText(QString::number(m_state.SmsCapacity));
    ProgressBar1->setRange(0, m_state.SmsCapacity);
    ProgressBar1->setValue(0);
    for (QPushButton *b : {Command4, Command3, Command7})
        b->setEnabled(false);
    // No row is chosen when the window opens.
    {
        const QSignalBlocker block(Grid1);
        Grid1->setCurrentCell(-1, -1);
    }
    showChosen({}, {}, {});
}

void Form5::done(int result)
{
    // Unloading: a reply still on its way goes nowhere.
    m_state.WaitReadReply = false;
    m_state.WaitDeleteReply = false;
    m_deleting = 0;
    QDialog::done(result);
}

void Form5::Command2_Click() { done(QDialog::Accepted); }

// ---------------------------------------------------------------- the read chain

bool Form5::busy() const
{
    return m_state.WaitReadReply || m_state.WaitDeleteReply;
}

void Form5::Command1_Click()
{
    // One command at a time: a second read now would take the reply still on its way
    // for the next index, and a later Delete would remove the wrong message.
    if (busy())
        return;
    if (m_readIndex == 0) {
        // A new read: the list and the records start empty, so no row points into a table
        // that is being rewritten.
        m_sms.assign(size_t(m_state.SmsCapacity) + 1, SmsRecord());
        Grid1->setRowCount(0);
        showChosen({}, {}, {});
    }
    readStep();
}

void Form5::readStep()
{
    if (m_readIndex >= m_state.SmsCapacity) {
        for (QPushButton *b : {Command7, Command3, Command4})
            b->setEnabled(true);
        Bouble_Sort();
        return;
    }
    m_state.WaitReadReply = true;
    ++m_readIndex;
    if (m_sms.size() <= size_t(m_readIndex))
        m_sms.resize(size_t(m_readIndex) + 1);
    ProgressBar1->setValue(m_readIndex);
    Text1->clear();
    m_view->clearReceiveBuffer();
    m_view->writeCommand(QStringLiteral("AT+CMGR=") + QString::number(m_readIndex));
}

void Form5::LineLost()
{
    if (!busy())
        return;
    // Nothing will answer any more: without this the buttons would wait until Exit.
    QString text;
    if (m_state.WaitDeleteReply)
        text = QStringLiteral("The line to the phone was lost: the message may not have been "
                              "deleted.");
    else
        text = QStringLiteral("The line to the phone was lost while reading position %1 of %2: "
                              "the list is not complete.")
                   .arg(m_readIndex)
                   .arg(m_state.SmsCapacity);
    m_state.WaitReadReply = false;
    m_state.WaitDeleteReply = false;
    m_deleting = 0;
    Seams::MsgBox(text, Seams::MsgButtons::OK, Seams::MsgIcon::Critical, QStringLiteral("Error."));
}

void Form5::PhoneReply(const QString &buffer)
{
    if (m_state.WaitDeleteReply) {
        deleteReply(Reply::EndsWithOk(buffer));
        return;
    }
    if (!m_state.WaitReadReply)
        return;
    // An error reply has no "+CMGR" line: the position counts as empty.
    Text1->setText(Lettura::CmgrPduLine(buffer));
    Aggiorna_SMS_NO_ORDER();
}

void Form5::Aggiorna_SMS_NO_ORDER()
{
    m_state.WaitReadReply = false;
    SmsRecord r = Lettura::DecodeDeliverPdu(Text1->text(), m_view->recipientEntries());
    r.Id = std::int16_t(m_readIndex);
    m_sms[size_t(m_readIndex)] = r;
    readStep();
}

void Form5::Bouble_Sort()
{
    Lettura::Bouble_Sort(m_sms);
    // The list is filled anew, so listing again never shows a message twice.
    const QSignalBlocker block(Grid1);
    Grid1->setRowCount(0);
    for (size_t p = 1; p < m_sms.size(); ++p) {
        const SmsRecord &r = m_sms[p];
        if (r.MessageText.isEmpty())
            continue;
        const int row = Grid1->rowCount();
        Grid1->insertRow(row);
        const QString cells[] = {QString::number(p), QString::number(r.Id), r.Sender,
                                 r.DateTime, r.ServiceCentreUsed};
        for (int c = 0; c < int(std::size(cells)); ++c)
            Grid1->setItem(row, c, Centred(cells[c]));
    }
    // No row is chosen until the user picks one.
    Grid1->setCurrentCell(-1, -1);
    showChosen({}, {}, {});
}

void Form5::Command4_Click()
{
    if (busy())
        return;
    m_readIndex = 0;
    Command1_Click();
}

// ---------------------------------------------------------------- the chosen message

int Form5::recordAt(int row) const
{
    const QTableWidgetItem *item = row >= 0 ? Grid1->item(row, 0) : nullptr;
    const int p = item ? item->text().toInt() : 0;
    return p > 0 && size_t(p) < m_sms.size() ? p : 0;
}

void Form5::showChosen(const QString &sender, const QString &dateTime, const QString &text)
{
    Label5->setText(sender);
    Label5->setToolTip(sender);   // a long name with its number is wider than the label
    Label6->setText(dateTime);
    m_text2Message = text;
    Text2->setPlainText(ForDisplay(text));
}

QString Form5::text2Text() const
{
    const QString shown = Text2->toPlainText();
    if (shown == ForDisplay(m_text2Message))
        return m_text2Message;
    QString edited = shown;
    edited.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return edited;
}

void Form5::Grid1_Click()
{
    const int row = Grid1->currentRow();
    if (row < 0)
        return;
    const auto cell = [&](int c) {
        const QTableWidgetItem *item = Grid1->item(row, c);
        return item ? item->text() : QString();
    };
    showChosen(cell(2), cell(3), Lettura::ShownText(m_sms[size_t(recordAt(row))], m_sms));
}

void Form5::Command3_Click()
{
    const int row = Grid1->currentRow();
    if (row < 0)
        return;
    const SmsRecord &r = m_sms[size_t(recordAt(row))];
    if (r.SenderIsName || r.SenderNumber.isEmpty()) {
        Seams::MsgBox(r.SenderIsName
                          ? QStringLiteral("This message comes from a name, not a number: "
                                           "it cannot be answered.")
                          : QStringLiteral("This message has no number to answer."),
                      Seams::MsgButtons::OK, Seams::MsgIcon::Exclamation,
                      QStringLiteral("Warning."));
        return;
    }
    // The number goes in as well: a sender that is no list entry would otherwise leave the
    // previous recipient in place.
    m_view->setReply(r.Sender, r.SenderNumber, text2Text());
    done(QDialog::Accepted);
}

void Form5::Command7_Click()
{
    if (busy())
        return;
    const int row = Grid1->currentRow();
    if (row < 0)
        return;   // nothing chosen, nothing to delete
    const int p = recordAt(row);
    if (Seams::MsgBox(QStringLiteral("Are you sure to delete the message:\r   - ")
                          + m_sms[size_t(p)].MessageText,
                      Seams::MsgButtons::OKCancel, Seams::MsgIcon::Exclamation,
                      QStringLiteral("Warning."), Seams::MsgResult::Cancel)
        != Seams::MsgResult::OK)
        return;
    const QTableWidgetItem *id = Grid1->item(row, 1);
    m_deleting = p;
    m_state.WaitDeleteReply = true;
    m_view->clearReceiveBuffer();
    m_view->writeCommand(QStringLiteral("AT+CMGD=") + (id ? id->text() : QString()));
}

void Form5::deleteReply(bool deleted)
{
    m_state.WaitDeleteReply = false;
    m_view->clearReceiveBuffer();
    const int p = std::exchange(m_deleting, 0);
    // Refused: the message stays listed; the dispatcher has already said the phone refused.
    if (!deleted || p == 0)
        return;
    for (int row = 0; row < Grid1->rowCount(); ++row) {
        if (recordAt(row) != p)
            continue;
        const bool chosen = Grid1->currentRow() == row;
        {
            const QSignalBlocker block(Grid1);
            Grid1->removeRow(row);
            if (chosen)
                Grid1->setCurrentCell(-1, -1);
        }
        if (chosen)
            showChosen({}, {}, {});
        break;
    }
    // Gone from the phone, so gone from the records: the next sort does not bring it back.
    m_sms[size_t(p)] = SmsRecord();
}

// ---------------------------------------------------------------- saving

void Form5::Command5_Click()
{
    const int row = Grid1->currentRow();
    if (row < 0)
        return;
    Seams::FileDialogCall call;
    call.title = QStringLiteral("Salva SMS con nome");
    call.filter = QStringLiteral("All files (*.*);;Text files (*.txt);;SMS files (*.smi)");
    call.selectedFilter = QStringLiteral("Text files (*.txt)");
    const QString path = Seams::SaveFileDialog(call);
    if (path.isEmpty())
        return;   // cancelled
    const SmsRecord &r = m_sms[size_t(recordAt(row))];
    QString error;
    if (!TextFile::WriteAtomicBytes(path, Lettura::SavedMessage(r.SenderNumber, r.DateTime,
                                                                text2Text()),
                                    &error)) {
        // Nothing was written, and nothing is deleted.
        Seams::MsgBox(QStringLiteral("Unable to save the message in %1:\n%2").arg(path, error),
                      Seams::MsgButtons::OK, Seams::MsgIcon::Critical, QStringLiteral("Error."));
        return;
    }
    if (Check1->isChecked())
        Command7_Click();
}

// ---------------------------------------------------------------- capacity

void Form5::Text3_Change()
{
    const double v = std::round(vb::Val(Text3->text()));
    if (v < 1 || v > kMaxCapacity)
        return;   // kept until the typing is over; then refused
    m_state.SmsCapacity = std::int16_t(v);
    ProgressBar1->setMaximum(m_state.SmsCapacity);
}

void Form5::Text3_LostFocus()
{
    if (m_inCapacityCheck)
        return;
    const double v = std::round(vb::Val(Text3->text()));
    if (v >= 1 && v <= kMaxCapacity) {
        m_capacityKept = m_state.SmsCapacity;
        return;
    }
    // Numbers typed on the way (1, 10, 100 for 1000) were taken; the value from before
    // the typing comes back.
    m_inCapacityCheck = true;
    Seams::MsgBox(QStringLiteral("The capacity must be a number from 1 to %1: it stays %2.")
                      .arg(kMaxCapacity)
                      .arg(m_capacityKept),
                  Seams::MsgButtons::OK, Seams::MsgIcon::Exclamation, QStringLiteral("Warning."));
    Text3->setText(QString::number(m_capacityKept));
    m_inCapacityCheck = false;
}
