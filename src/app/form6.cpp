// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form6.h"

#include "app/appstate.h"
#include "app/form1.h"
#include "app/phoneport.h"
#include "app/replydispatcher.h"
#include "app/seams.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

Form6::Form6(Form1 &main)
    : QDialog(&main)
    , m_main(main)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Search"));
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Searching for mobile..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Command1 = new QPushButton(QStringLiteral("Cancel"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    setMinimumWidth(260);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(250);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(20000);

    connect(Timer1, &QTimer::timeout, this, &Form6::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &Form6::Timer2_Timer);
    connect(Command1, &QPushButton::clicked, this, &Form6::Command1_Click);
}

Form6::~Form6() = default;

namespace {
/// Ticks (of 250 ms) a reply may take to arrive in full before its command is written again.
constexpr int kLateTicks = 8;
} // namespace

void Form6::Search()
{
    Form_Load();
    if (!Timer1->isActive())
        return;   // the window was closed while loading
    exec();
}

void Form6::Form_Load()
{
    m_main.state().WaitAtReply = true;
    m_lateTicks = 0;
    m_main.ProgressBar1->setMinimum(0);
    m_main.ProgressBar1->setMaximum(10);
    Timer1->start();
    Timer2->start();
}

void Form6::Form_Unload()
{
    Timer1->stop();
    Timer2->stop();
    m_main.ProgressBar1->setValue(0);
}

void Form6::unload()
{
    Form_Unload();
    if (isVisible())
        done(QDialog::Accepted);
}

void Form6::step(int value, const QString &command)
{
    if (value > 0)
        m_main.ProgressBar1->setValue(value);
    m_main.ClearReceiveBuffer();
    m_main.Comm1().Output(command + QLatin1Char('\r'));
}

void Form6::Timer1_Timer()
{
    // A message box below runs its own event loop; ticks arriving meanwhile are dropped.
    if (m_inStep)
        return;
    m_inStep = true;
    AppState &s = m_main.state();
    PhonePort &comm = m_main.Comm1();

    // A reply still arriving (the echo is in, the final result is not) belongs to the
    // command already written: writing it again, or reopening the port, would throw that
    // reply away, and a phone slower than one tick would never be found. Wait for it a
    // while; then start the step again, in case what is there is no reply at all.
    const QString pending = m_main.ReceiveBuffer();
    if (!pending.isEmpty() && !Reply::EndsWithOk(pending) && !Reply::EndsWithError(pending)
        && comm.PortOpen() && m_lateTicks < kLateTicks) {
        ++m_lateTicks;
        m_inStep = false;
        return;
    }
    m_lateTicks = 0;

    if (s.WaitAtReply) {
        if (comm.PortOpen())
            comm.setPortOpen(false);
        if (!comm.setPortOpen(true)) {
            // Trying again every 250 ms would only show the same box again.
            Timer1->stop();
            Timer2->stop();
            // The fixed first line, then the device tried, the system's reason and a remedy.
            Seams::MsgBox(PortDevice::FailureText(comm.LastOpenFailure()),
                          Seams::MsgButtons::OK, Seams::MsgIcon::Critical,
                          QStringLiteral("Error."));
            unload();
            m_inStep = false;
            return;
        }
        step(0, QStringLiteral("AT"));
    }
    if (s.WaitManufacturer)
        step(1, QStringLiteral("AT+CGMI"));
    if (s.WaitModel)
        step(2, QStringLiteral("AT+CGMM"));
    if (s.WaitFirmware)
        step(3, QStringLiteral("AT+CGMR"));
    if (s.WaitImei)
        step(4, QStringLiteral("AT+GSN"));
    if (s.WaitImsi)
        step(5, QStringLiteral("AT+CIMI"));
    if (s.WaitMessageStorage)
        step(6, QStringLiteral("AT+CPMS=MT"));
    if (s.WaitAddressBookRange)
        step(7, QStringLiteral("AT^SDBR=?"));
    // Steps 9 and 10 start over on every tick: the size 0 marks the AT+CPBS sub-step.
    if (s.WaitSimPhonebookRange) {
        s.SimPhonebookSize = 0;
        step(8, QStringLiteral("AT+CPBS=SM"));
    }
    if (s.WaitPhonePhonebookRange) {
        s.PhonePhonebookSize = 0;
        step(9, QStringLiteral("AT+CPBS=ME"));
    }

    const bool anyRaised = s.WaitAtReply || s.WaitManufacturer || s.WaitModel
                           || s.WaitFirmware || s.WaitImei || s.WaitImsi
                           || s.WaitMessageStorage || s.WaitAddressBookRange
                           || s.WaitSimPhonebookRange || s.WaitPhonePhonebookRange;
    if (!anyRaised) {
        m_main.ProgressBar1->setValue(10);
        unload();
    }
    m_inStep = false;
}

void Form6::Timer2_Timer()
{
    Timer1->stop();
    Timer2->stop();
    Seams::MsgBox(QStringLiteral("Didn't find any mobile"), Seams::MsgButtons::OK,
                  Seams::MsgIcon::Critical, QStringLiteral("Error."));
    if (m_main.Comm1().PortOpen())
        m_main.Comm1().setPortOpen(false);
    unload();
}

bool Form6::lineLost()
{
    if (!Timer2->isActive())
        return false;
    // Waiting out the time-out would only keep the window up for nothing.
    Timer1->stop();
    Timer2->stop();
    ResetWaitFlags(m_main.state());
    Seams::MsgBox(QStringLiteral("Didn't find any mobile"), Seams::MsgButtons::OK,
                  Seams::MsgIcon::Critical, QStringLiteral("Error."));
    unload();
    return true;
}

void Form6::Command1_Click()
{
    Timer1->stop();
    Timer2->stop();
    Seams::MsgBox(QStringLiteral("Interrupted by user!"), Seams::MsgButtons::OK,
                  Seams::MsgIcon::Critical, QStringLiteral("Error."));
    if (m_main.Comm1().PortOpen())
        m_main.Comm1().setPortOpen(false);
    unload();
}

void Form6::reject()
{
    Command1_Click();
}
