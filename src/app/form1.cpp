// SPDX-License-Identifier: GPL-3.0-or-later
// The main window shell: controls and their wiring, start-up, shutdown, connection menu,
// settings file and the status timer.
#include "app/form1.h"

#include "app/accessibility.h"
#include "app/appstate.h"
#include "app/form6.h"
#include "app/phoneport.h"
#include "app/replydispatcher.h"
#include "app/seams.h"
#include "app/settingsfile.h"
#include "app/textfile.h"
#include "compose/sendworkflow.h"
#include "encoding/codice7.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {
constexpr int kMaxText = 760;   // five concatenated parts of 152 characters

const QString kUnknown = QStringLiteral("???");
} // namespace

/// The dispatcher's view of the main window.
class Form1DispatcherView : public DispatcherView
{
public:
    explicit Form1DispatcherView(Form1 &f)
        : m_f(f)
    {
    }

    QLabel *label(Info which) const
    {
        switch (which) {
        case Info::Model: return m_f.Label16;
        case Info::Firmware: return m_f.Label17;
        case Info::Imei: return m_f.Label18;
        case Info::Imsi: return m_f.Label21;
        case Info::MessageStorage: return m_f.Label23;
        case Info::AddressBook: return m_f.Label26;
        case Info::SimPhonebook: return m_f.Label22;
        case Info::PhonePhonebook: return m_f.Label29;
        }
        return m_f.Label16;
    }
    QString infoText(Info which) const override { return label(which)->text(); }
    void setInfoText(Info which, const QString &text) override { label(which)->setText(text); }
    QString sentCountText() const override { return m_f.Text6->text(); }
    QString messagesNeededText() const override { return m_f.Label14->text(); }
    void setSentCountText(const QString &text) override { m_f.Text6->setText(text); }
    void setServiceCentreText(const QString &number) override { m_f.Text2->setText(number); }
    void messageReadReply(const QString &buffer) override { m_f.BrowserReadReply(buffer); }

private:
    Form1 &m_f;
};

Form1::Form1(AppState &state, PhonePort &comm, QWidget *parent)
    : QMainWindow(parent)
    , m_state(state)
    , m_comm(comm)
    , m_view(std::make_unique<Form1DispatcherView>(*this))
    , m_dispatcher(std::make_unique<ReplyDispatcher>(state, comm, *m_view))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("SMS - Corvina"));
    createMenus();
    createControls();
    Accessibility::NameForm1Fields(*this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(0);

    connectSignals();
    Timer1->start();
}

Form1::~Form1() = default;

// ---------------------------------------------------------------- controls

void Form1::createMenus()
{
    auto action = [this](QMenu *menu, QAction *&member, const char *name, const QString &text,
                         QKeySequence key = {}) {
        member = menu->addAction(text);
        member->setObjectName(QLatin1String(name));
        if (!key.isEmpty())
            member->setShortcut(key);
    };
    auto menu = [this](QMenu *&member, const char *name, const QString &title) {
        member = menuBar()->addMenu(title);
        member->setObjectName(QLatin1String(name));
    };
    const auto shiftF = [](int n) { return QKeySequence(Qt::SHIFT | Qt::Key(Qt::Key_F1 + n - 1)); };

    menu(Mn_Connessione, "Mn_Connessione", QStringLiteral("&Connection"));
    action(Mn_Connessione, Mn_Apri, "Mn_Apri", QStringLiteral("&Open"), shiftF(1));
    action(Mn_Connessione, Mn_Chiudi, "Mn_Chiudi", QStringLiteral("&Close"), shiftF(2));
    Mn_Connessione->addSeparator();
    action(Mn_Connessione, Mn_Test, "Mn_Test", QStringLiteral("&Test"), shiftF(3));
    Mn_Connessione->addSeparator();
    action(Mn_Connessione, Mn_Esci, "Mn_Esci", QStringLiteral("&Exit"));

    menu(Mn_Rubrica, "Mn_Rubrica", QStringLiteral("&Phonebook"));
    action(Mn_Rubrica, Mn_CSC, "Mn_CSC", QStringLiteral("&Get service centre"), shiftF(4));
    Mn_Rubrica->addSeparator();
    action(Mn_Rubrica, Mn_Upload, "Mn_Upload", QStringLiteral("&Upload"), shiftF(5));
    Mn_Rubrica->addSeparator();
    action(Mn_Rubrica, Mn_Rub_Load, "Mn_Rub_Load", QStringLiteral("&Load"));
    action(Mn_Rubrica, Mn_Rub_Save, "Mn_Rub_Save", QStringLiteral("&Save"));

    menu(Mn_Testo, "Mn_Testo", QStringLiteral("&Text"));
    action(Mn_Testo, Mn_Cancella, "Mn_Cancella", QStringLiteral("&Delete"));
    action(Mn_Testo, Mn_Special, "Mn_Special", QStringLiteral("&Special chars..."), shiftF(7));
    Mn_Testo->addSeparator();
    action(Mn_Testo, Mn_Log, "Mn_Log", QStringLiteral("&View Log"), shiftF(8));
    action(Mn_Testo, Mn_DeleteLog, "Mn_DeleteLog", QStringLiteral("D&elete Log"));

    menu(Mn_SMS, "Mn_SMS", QStringLiteral("S&MS"));
    action(Mn_SMS, Mn_Elabora, "Mn_Elabora", QStringLiteral("&Elaborate"), shiftF(9));
    action(Mn_SMS, Mn_Invia, "Mn_Invia", QStringLiteral("&Save"), shiftF(11));
    action(Mn_SMS, Mn_Salva, "Mn_Salva", QStringLiteral("S&tore in SIM"), shiftF(12));

    menu(Mn_Set, "Mn_Set", QStringLiteral("&Settings"));
    action(Mn_Set, Mn_Comm, "Mn_Comm", QStringLiteral("&Comm..."));
    action(Mn_Set, Mn_Conferma, "Mn_Conferma", QStringLiteral("Confirm &Send"));
    action(Mn_Set, Mn_Azzera, "Mn_Azzera", QStringLiteral("&Annul sent"));
    Mn_Set->addSeparator();
    action(Mn_Set, Mn_Flash, "Mn_Flash", QStringLiteral("SMS &Flash"),
           QKeySequence(Qt::CTRL | Qt::Key_F));
    action(Mn_Set, Mn_Ricevuta, "Mn_Ricevuta", QStringLiteral("Status &Report"),
           QKeySequence(Qt::CTRL | Qt::Key_R));
    Mn_Set->addSeparator();
    action(Mn_Set, Mn_AutoSave, "Mn_AutoSave", QStringLiteral("A&utosave"));
    action(Mn_Set, Mn_Salva_Imp, "Mn_Salva_Imp", QStringLiteral("Sa&ve settings"));
    for (QAction *a : {Mn_Conferma, Mn_Flash, Mn_Ricevuta, Mn_AutoSave})
        a->setCheckable(true);
    Mn_Conferma->setChecked(true);
    Mn_AutoSave->setChecked(true);

    Mn_About = menuBar()->addAction(QStringLiteral("&?"));
    Mn_About->setObjectName(QStringLiteral("Mn_About"));
}

void Form1::createControls()
{
    auto named = [](auto *w, const char *name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    auto label = [&](const char *name, const QString &text) {
        return named(new QLabel(text), name);
    };
    auto button = [&](const char *name, const QString &text) {
        auto *b = named(new QPushButton(text), name);
        b->setAutoDefault(false);
        return b;
    };

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    setCentralWidget(central);

    // Phone information: two columns of four caption/value pairs.
    Frame2 = named(new QGroupBox(QStringLiteral("Information about mobile and SIM card:")),
                   "Frame2");
    Label3 = label("Label3", QStringLiteral("Model:"));
    Label4 = label("Label4", QStringLiteral("Firmware:"));
    Label19 = label("Label19", QStringLiteral("IMEI:"));
    Label20 = label("Label20", QStringLiteral("IMSI:"));
    Label24 = label("Label24", QStringLiteral("Mobile Equipment message storage:"));
    Label25 = label("Label25", QStringLiteral("Address Book:"));
    Label28 = label("Label28", QStringLiteral("SIM Phone Book:"));
    Label27 = label("Label27", QStringLiteral("Mobile Phone Book:"));
    Label16 = label("Label16", kUnknown);
    Label17 = label("Label17", kUnknown);
    Label18 = label("Label18", kUnknown);
    Label21 = label("Label21", kUnknown);
    Label23 = label("Label23", kUnknown);
    Label26 = label("Label26", kUnknown);
    Label22 = label("Label22", kUnknown);
    Label29 = label("Label29", kUnknown);
    {
        auto *g = new QGridLayout(Frame2);
        g->setHorizontalSpacing(10);
        QLabel *rows[4][4] = {{Label3, Label16, Label24, Label23},
                              {Label4, Label17, Label25, Label26},
                              {Label19, Label18, Label28, Label22},
                              {Label20, Label21, Label27, Label29}};
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                g->addWidget(rows[r][c], r, c);
                if (c % 2 == 1) {
                    rows[r][c]->setTextInteractionFlags(Qt::TextSelectableByMouse);
                    rows[r][c]->setMinimumWidth(150);
                }
            }
        }
        g->setColumnStretch(1, 1);
        g->setColumnStretch(3, 1);
        g->setColumnMinimumWidth(2, 20);
    }

    // Compose area.
    Label1 = label("Label1", QStringLiteral("Service Centre:"));
    Label2 = label("Label2", QStringLiteral("+"));
    Text2 = named(new QLineEdit, "Text2");
    Command3 = button("Command3", QStringLiteral("Upload"));
    Label6 = label("Label6", QStringLiteral("Recipient:"));
    Text4 = named(new QLineEdit, "Text4");
    SelectNameLabel = label("SelectNameLabel", QStringLiteral("Select name:"));
    Combo2 = named(new QComboBox, "Combo2");
    Combo2->setEditable(true);
    Combo2->setInsertPolicy(QComboBox::NoInsert);
    Combo2->setMinimumContentsLength(24);
    Combo2->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    SelectNameLabel->setBuddy(Combo2);
    Text5 = named(new QPlainTextEdit, "Text5");
    Text5->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text5->setTabChangesFocus(true);
    Text5->setMinimumHeight(120);
    Command1 = button("Command1", QStringLiteral("Delete"));
    Label7 = label("Label7", QStringLiteral("Used chars:"));
    Label5 = label("Label5", QStringLiteral("0"));
    Label11 = label("Label11", QStringLiteral("Chars left:"));
    Label12 = label("Label12", QStringLiteral("760"));
    Label13 = label("Label13", QStringLiteral("SMS necessary:"));
    Label14 = label("Label14", QStringLiteral("0"));
    NonGsmLabel = label("NonGsmLabel", QString());
    Label9 = label("Label9", QStringLiteral("Sent SMS:"));
    Text6 = named(new QLineEdit, "Text6");
    Text6->setMaximumWidth(70);
    Text3 = named(new QPlainTextEdit(central), "Text3");
    Text3->setVisible(false);
    for (QLabel *l : {Label5, Label12, Label14})
        l->setMinimumWidth(30);

    auto *compose = new QGridLayout;
    compose->addWidget(Label1, 0, 0);
    {
        auto *sc = new QHBoxLayout;
        sc->setSpacing(2);
        sc->addWidget(Label2);
        sc->addWidget(Text2, 1);
        sc->addSpacing(6);
        sc->addWidget(Command3);
        compose->addLayout(sc, 0, 1);
    }
    compose->addWidget(Label6, 1, 0);
    compose->addWidget(Text4, 1, 1);
    compose->addWidget(SelectNameLabel, 2, 0);
    compose->addWidget(Combo2, 2, 1);
    compose->addWidget(Text5, 3, 0, 1, 2);
    {
        auto *counters = new QHBoxLayout;
        counters->addWidget(Label7);
        counters->addWidget(Label5);
        counters->addSpacing(8);
        counters->addWidget(Label11);
        counters->addWidget(Label12);
        counters->addSpacing(8);
        counters->addWidget(Label13);
        counters->addWidget(Label14);
        counters->addStretch();
        counters->addWidget(Command1);
        compose->addLayout(counters, 4, 0, 1, 2);
    }
    {
        auto *sent = new QHBoxLayout;
        sent->addWidget(Label9);
        sent->addWidget(Text6);
        sent->addSpacing(16);
        // On its own row, where its length never widens the window.
        NonGsmLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        sent->addWidget(NonGsmLabel, 1);
        compose->addLayout(sent, 5, 0, 1, 2);
    }
    compose->setRowStretch(3, 1);
    compose->setColumnStretch(1, 1);

    // Logo frame.
    Check1 = named(new QCheckBox(QStringLiteral("Nokia Logo")), "Check1");
    Frame1 = named(new QGroupBox(QStringLiteral("Frame1")), "Frame1");
    Option1 = named(new QRadioButton(QStringLiteral("Operator")), "Option1");
    Option2 = named(new QRadioButton(QStringLiteral("Group")), "Option2");
    Option3 = named(new QRadioButton(QStringLiteral("Picture Mess.")), "Option3");
    Command9 = button("Command9", QStringLiteral("Logo..."));
    Label10 = label("Label10", QStringLiteral("Country code:"));
    Label15 = label("Label15", QStringLiteral("Operator code:"));
    Text7 = named(new QLineEdit, "Text7");
    Text7->setMaxLength(3);
    Text7->setMaximumWidth(50);
    Text8 = named(new QLineEdit, "Text8");
    Text8->setMaxLength(2);
    Text8->setMaximumWidth(50);
    Image1 = label("Image1", QString());
    Image1->setFixedSize(74, 30);
    Image1->setFrameShape(QFrame::StyledPanel);
    Image1->setAlignment(Qt::AlignCenter);
    {
        auto *g = new QGridLayout(Frame1);
        g->addWidget(Option1, 0, 0, 1, 2);
        g->addWidget(Option2, 1, 0, 1, 2);
        g->addWidget(Option3, 2, 0, 1, 2);
        g->addWidget(Label10, 3, 0);
        g->addWidget(Text7, 3, 1);
        g->addWidget(Label15, 4, 0);
        g->addWidget(Text8, 4, 1);
        g->addWidget(Command9, 5, 0, 1, 2);
        g->addWidget(Image1, 6, 0, 1, 2, Qt::AlignHCenter);
    }
    Frame1->setEnabled(false);
    Command9->setEnabled(false);
    auto *logo = new QVBoxLayout;
    logo->addWidget(Check1);
    logo->addWidget(Frame1);
    logo->addStretch();

    // Buttons.
    Command5 = button("Command5", QStringLiteral("Elaborate"));
    Command6 = button("Command6", QStringLiteral("Send"));
    Command7 = button("Command7", QStringLiteral("Store"));
    Command4 = button("Command4", QStringLiteral("Browse SMS"));
    Command8 = button("Command8", QStringLiteral("Exit"));
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {Command5, Command6, Command7, Command4})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(Command8);

    ProgressBar1 = named(new QProgressBar, "ProgressBar1");
    ProgressBar1->setRange(0, 10);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setMaximumHeight(14);

    auto *middle = new QHBoxLayout;
    middle->addLayout(compose, 1);
    middle->addSpacing(8);
    middle->addLayout(logo);

    auto *main = new QVBoxLayout(central);
    main->addWidget(Frame2);
    main->addLayout(middle, 1);
    main->addLayout(buttons);
    main->addWidget(ProgressBar1);

    // Status bar: five text panels.
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    const int stretch[5] = {0, 1, 1, 1, 0};
    for (int i = 0; i < 5; ++i) {
        auto *panel = new QLabel(statusBar());
        panel->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i + 1));
        panel->setMinimumWidth(90);
        StatusBar1Panel[i] = panel;
        statusBar()->addPermanentWidget(panel, stretch[i]);
    }
    resize(760, 600);
}

void Form1::connectSignals()
{
    // Checkable entries keep their mark as the handler sets it: Qt's own toggle is undone
    // before the handler runs, as the handlers own the check marks.
    auto menu = [this](QAction *a, void (Form1::*handler)()) {
        connect(a, &QAction::triggered, this, [this, a, handler] {
            if (a->isCheckable()) {
                const QSignalBlocker block(a);
                a->setChecked(!a->isChecked());
            }
            (this->*handler)();
        });
    };
    menu(Mn_Apri, &Form1::Mn_Apri_Click);
    menu(Mn_Chiudi, &Form1::Mn_Chiudi_Click);
    menu(Mn_Test, &Form1::Mn_Test_Click);
    menu(Mn_Esci, &Form1::Mn_Esci_Click);
    menu(Mn_CSC, &Form1::Mn_CSC_Click);
    menu(Mn_Upload, &Form1::Mn_Upload_Click);
    menu(Mn_Rub_Load, &Form1::Mn_Rub_Load_Click);
    menu(Mn_Rub_Save, &Form1::Mn_Rub_Save_Click);
    menu(Mn_Cancella, &Form1::Mn_Cancella_Click);
    menu(Mn_Special, &Form1::Mn_Special_Click);
    menu(Mn_Log, &Form1::Mn_Log_Click);
    menu(Mn_DeleteLog, &Form1::Mn_DeleteLog_Click);
    menu(Mn_Elabora, &Form1::Mn_Elabora_Click);
    menu(Mn_Invia, &Form1::Mn_Invia_Click);
    menu(Mn_Salva, &Form1::Mn_Salva_Click);
    menu(Mn_Comm, &Form1::Mn_Comm_Click);
    menu(Mn_Conferma, &Form1::Mn_Conferma_Click);
    menu(Mn_Azzera, &Form1::Mn_Azzera_Click);
    menu(Mn_Flash, &Form1::Mn_Flash_Click);
    menu(Mn_Ricevuta, &Form1::Mn_Ricevuta_Click);
    menu(Mn_AutoSave, &Form1::Mn_AutoSave_Click);
    menu(Mn_Salva_Imp, &Form1::Mn_Salva_Imp_Click);
    menu(Mn_About, &Form1::Mn_About_Click);

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(Check1, &QCheckBox::clicked, this, &Form1::Check1_Click);
    connect(Option1, &QRadioButton::clicked, this, &Form1::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &Form1::Option2_Click);
    connect(Option3, &QRadioButton::clicked, this, &Form1::Option3_Click);

    connect(Text5->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) {
                m_text5ChangePos = position;
                m_text5ChangeAdded = added;
            });
    connect(Text5, &QPlainTextEdit::textChanged, this, &Form1::enforceText5Limit);
    connect(Text6, &QLineEdit::textChanged, this, &Form1::Text6_Change);
    connect(Text7, &QLineEdit::textChanged, this, &Form1::Text7_Change);
    connect(Text8, &QLineEdit::textChanged, this, &Form1::Text8_Change);
    connect(Combo2, &QComboBox::activated, this, &Form1::Combo2_Click);
    connect(Combo2, &QComboBox::editTextChanged, this, &Form1::Combo2_Change);
    Text5->installEventFilter(this);
    Text6->installEventFilter(this);

    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);
    connect(&m_comm, &PhonePort::OnComm, this, &Form1::Comm1_OnComm);
    connect(&m_comm, &PhonePort::LineLost, this, &Form1::onLineLost);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == Text5)
            Text5_GotFocus();
        else if (watched == Text6)
            Text6_GotFocus();
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (m_exiting || Form_QueryUnload()) {
        event->accept();
        QCoreApplication::quit();   // other windows may still be open
        return;
    }
    event->ignore();
}

// ---------------------------------------------------------------- message text

QString Form1::Text5Text() const
{
    QString t = Text5->toPlainText();
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
}

void Form1::setText5Text(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Text5->setPlainText(t);
}

void Form1::enforceText5Limit()
{
    if (m_inText5Limit)
        return;
    // Characters as the user sees them: a line break costs two, an emoji one.
    qsizetype excess = Codice7::CharacterCount(Text5Text()) - kMaxText;
    if (excess > 0) {
        // Like a box with a maximum length: what does not fit of the new text is dropped.
        m_inText5Limit = true;
        QTextDocument *doc = Text5->document();
        const QString plain = Text5->toPlainText();
        // One character back from `at`, never splitting a surrogate pair; returns its cost.
        const auto stepBack = [](const QString &t, int &at) {
            --at;
            if (at > 0 && t.at(at).isLowSurrogate() && t.at(at - 1).isHighSurrogate())
                --at;
            return t.at(at) == u'\n' ? 2 : 1;
        };
        int end = std::min<int>(m_text5ChangePos + m_text5ChangeAdded, plain.size());
        int start = std::clamp(m_text5ChangePos, 0, end);
        int cut = end;
        while (excess > 0 && cut > start)
            excess -= stepBack(plain, cut);
        cut = std::max(cut, start);
        QTextCursor c(doc);
        c.beginEditBlock();
        if (cut < end) {
            c.setPosition(cut);
            c.setPosition(end, QTextCursor::KeepAnchor);
            c.removeSelectedText();
        }
        // Whatever still exceeds (the limit was already passed) goes from the end.
        if (excess > 0) {
            const QString now = Text5->toPlainText();
            int from = now.size();
            while (excess > 0 && from > 0)
                excess -= stepBack(now, from);
            c.setPosition(from);
            c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            c.removeSelectedText();
        }
        c.endEditBlock();
        Text5->setTextCursor(c);
        m_inText5Limit = false;
    }
    Text5_Change();
}

// ---------------------------------------------------------------- receive buffer

QString Form1::ReceiveBuffer() const { return m_dispatcher->buffer(); }
void Form1::ClearReceiveBuffer() { m_dispatcher->clearBuffer(); }

Form6 *Form1::SearchWindow()
{
    if (!m_form6)
        m_form6 = new Form6(*this);
    return m_form6;
}

void Form1::Comm1_OnComm() { m_dispatcher->OnComm(); }

void Form1::onLineLost()
{
    if (m_form6 && m_form6->lineLost())
        return;
    // A download in progress ends at its next tick, which sees the closed port and says
    // where it stopped; run it now, before the reset below hides the running stage.
    if (m_state.WaitSimPhonebook || m_state.WaitPhonePhonebook || m_state.WaitAddressBook)
        Timer2_Timer();
    BrowserLineLost();
    // Nothing will answer any more: end what waits, as an ERROR would, then say what
    // did not go out.
    const QString text = Compose::LineLostText(m_state);
    ResetWaitFlags(m_state);
    if (!text.isEmpty())
        Seams::MsgBox(text, Seams::MsgButtons::OK, Seams::MsgIcon::Critical,
                      QStringLiteral("Error."));
}

// ---------------------------------------------------------------- start-up and shutdown

void Form1::Form_Load()
{
    Codice7::InitGsmTable();
    ResetWaitFlags(m_state);
    Timer1_Timer();
    ClearReceiveBuffer();
    m_state.ConfirmSend = true;
    m_state.SimPhonebookSize = 200;
    m_state.PhonePhonebookSize = 50;
    m_state.SmsCapacity = 20;

    // Logo frame: group logo chosen, codes off until an operator logo is chosen.
    Option2->setChecked(true);
    Option1->setChecked(false);
    m_state.OperatorLogoMode = false;
    m_state.PictureMode = false;
    for (QLineEdit *e : {Text7, Text8}) {
        e->setEnabled(false);
        QPalette p = e->palette();
        p.setColor(QPalette::Base, palette().color(QPalette::Window));
        e->setPalette(p);
    }

    m_state.SentCount = SettingsFile::ReadSentCount();

    if (const auto read = SettingsFile::Read(Seams::ProgramFile(QStringLiteral("Setting.sms")))) {
        const SettingsFileValues &v = *read;
        // A value the port refuses is skipped, as is a line that cannot be read.
        if (v.commPort)
            m_comm.setCommPort(*v.commPort);
        if (v.settings)
            m_comm.setSettings(*v.settings);
        if (v.handshaking)
            m_comm.setHandshaking(*v.handshaking);
        if (v.serviceCentre)
            Text2->setText(*v.serviceCentre);
        if (v.confirmSend) {
            m_state.ConfirmSend = *v.confirmSend;
            Mn_Conferma->setChecked(*v.confirmSend);
        }
        if (v.statusReport) {
            m_state.StatusReport = *v.statusReport;
            Mn_Ricevuta->setChecked(*v.statusReport);
        }
        if (v.simPhonebookSize)
            m_state.SimPhonebookSize = *v.simPhonebookSize;
        if (v.phonePhonebookSize)
            m_state.PhonePhonebookSize = *v.phonePhonebookSize;
        if (v.smsCapacity)
            m_state.SmsCapacity = *v.smsCapacity;
        Mn_AutoSave->setChecked(v.autoSave);
    }

    Mn_Rub_Load_Click();
    m_pendingAutoConnect = true;
}

void Form1::endProgram()
{
    if (m_comm.PortOpen())
        m_comm.setPortOpen(false);
    m_exiting = true;
    close();
    QCoreApplication::quit();
}

void Form1::EndWithoutQuestions()
{
    Seams::setMsgBoxHandler([](const Seams::MsgBoxCall &call) {
        std::fprintf(stderr, "corvina-sms: %s\n", qPrintable(call.text));
        return call.defaultButton;
    });
    if (!Text7->text().isEmpty() && !Text8->text().isEmpty())
        SaveOperatorFile();
    Timer1->stop();
    Timer2->stop();
    if (m_comm.PortOpen())
        m_comm.setPortOpen(false);
    m_exiting = true;
    // exit() leaves every running event loop, a modal window's or a message box's too,
    // without asking the windows to close.
    QCoreApplication::exit(0);
}

void Form1::Command8_Click()
{
    if (!Text7->text().isEmpty() && !Text8->text().isEmpty())
        SaveOperatorFile();
    if (Mn_AutoSave->isChecked()
        && Seams::MsgBox(QStringLiteral("Do you want save settings ?"), Seams::MsgButtons::YesNo,
                         Seams::MsgIcon::Information, QStringLiteral("Automatic save."),
                         Seams::MsgResult::Yes)
               == Seams::MsgResult::Yes)
        Mn_Salva_Imp_Click();
    endProgram();
}

void Form1::Mn_Esci_Click() { Command8_Click(); }

bool Form1::Form_QueryUnload()
{
    if (!Text7->text().isEmpty() && !Text8->text().isEmpty())
        SaveOperatorFile();
    switch (Seams::MsgBox(QStringLiteral("Do you want save settings ?"),
                          Seams::MsgButtons::YesNoCancel, Seams::MsgIcon::Information,
                          QStringLiteral("Automatic save."), Seams::MsgResult::Yes)) {
    case Seams::MsgResult::Yes:
        Mn_Salva_Imp_Click();
        break;
    case Seams::MsgResult::No:
        break;
    default:
        return false;   // Cancel: the window stays, the port as it was
    }
    if (m_comm.PortOpen())
        m_comm.setPortOpen(false);
    m_exiting = true;
    return true;
}

// ---------------------------------------------------------------- connection and settings

void Form1::Mn_Apri_Click()
{
    ResetWaitFlags(m_state);
    SearchWindow()->Search();
}

void Form1::Mn_Chiudi_Click()
{
    if (m_comm.PortOpen())
        m_comm.setPortOpen(false);
}

void Form1::Mn_Test_Click()
{
    ClearReceiveBuffer();
    m_comm.Output(QStringLiteral("AT+CGMM\r"));
}

void Form1::Mn_Salva_Imp_Click()
{
    SettingsToSave s;
    s.commPort = m_comm.CommPort();
    s.settings = m_comm.Settings();
    s.handshaking = m_comm.Handshaking();
    s.serviceCentre = Text2->text();
    s.confirmSend = m_state.ConfirmSend;
    s.statusReport = m_state.StatusReport;
    s.simPhonebookSize = m_state.SimPhonebookSize;
    s.phonePhonebookSize = m_state.PhonePhonebookSize;
    s.smsCapacity = m_state.SmsCapacity;
    s.autoSave = Mn_AutoSave->isChecked();
    QString error;
    if (!TextFile::WriteAtomic(Seams::ProgramFile(QStringLiteral("Setting.sms")),
                               SettingsFile::Format(s), &error))
        Seams::MsgBox(QStringLiteral("Unable to save the settings in Setting.sms:\n") + error,
                      Seams::MsgButtons::OK, Seams::MsgIcon::Critical, QStringLiteral("Error."));
}

void Form1::Mn_AutoSave_Click() { Mn_AutoSave->setChecked(!Mn_AutoSave->isChecked()); }

// ---------------------------------------------------------------- status timer

void Form1::applyPortState(bool open)
{
    for (QPushButton *b : {Command6, Command7, Command4, Command3})
        b->setEnabled(open);
    for (QAction *a : {Mn_Chiudi, Mn_Test, Mn_Invia, Mn_Salva})
        a->setEnabled(open);
    Mn_Rubrica->setEnabled(open);
    Mn_Rubrica->menuAction()->setEnabled(open);
    Mn_Apri->setEnabled(!open);
}

void Form1::Timer1_Timer()
{
    // The automatic search runs modally inside this handler; ticks meanwhile are dropped.
    if (m_inStatusTick)
        return;
    m_inStatusTick = true;

    if (m_pendingAutoConnect) {
        Mn_Apri_Click();
        m_pendingAutoConnect = false;
    }

    const bool open = m_comm.PortOpen();
    StatusBar1Panel[3]->setText(open ? QStringLiteral("Status: Connected")
                                     : QStringLiteral("Status: Disconnected"));
    applyPortState(open);
    if (!open) {
        for (QLabel *l : {Label16, Label17, Label18, Label21, Label23, Label26, Label22, Label29})
            l->setText(kUnknown);
    }

    StatusBar1Panel[0]->setText(QStringLiteral("Comm: ") + QString::number(m_comm.CommPort()));
    StatusBar1Panel[0]->setToolTip(m_comm.DeviceName());
    StatusBar1Panel[1]->setText(QStringLiteral("Settings: ") + m_comm.Settings());
    switch (m_comm.Handshaking()) {
    case 0: StatusBar1Panel[2]->setText(QStringLiteral("Flusso: None")); break;
    case 1: StatusBar1Panel[2]->setText(QStringLiteral("Flusso: Xon/Xoff")); break;
    case 2: StatusBar1Panel[2]->setText(QStringLiteral("Flusso: RTS")); break;
    case 3: StatusBar1Panel[2]->setText(QStringLiteral("Flusso: RTS Xon/Xoff")); break;
    default: break;
    }
    StatusBar1Panel[4]->setText(QStringLiteral("By Quillane"));

    // Rewriting an unchanged count would move the caret of someone editing it.
    const QString sent = QString::number(m_state.SentCount);
    if (Text6->text() != sent)
        Text6->setText(sent);

    PhonebookStageStep();
    m_inStatusTick = false;
}
