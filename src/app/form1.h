// SPDX-License-Identifier: GPL-3.0-or-later
// The main window "SMS - Corvina": menus, status bar, phone information, compose area,
// recipient list and logo frame. Handlers are spread over the folders that own them:
// app/form1.cpp (shell, start-up, status timer, connection), compose/form1_compose.cpp,
// logos/form1_logos.cpp, phonebook/form1_phonebook.cpp, browser/form1_browser.cpp,
// windows/form1_windows.cpp (port settings, special characters, About).
//
// Controls (name, type, meaning):
//   Mn_*          QAction/QMenu   menu entries, named after their word (Mn_Apri = Open)
//   StatusBar1    QStatusBar      five text panels: port, settings, flow, status, credit
//   ProgressBar1  QProgressBar    phone search and phonebook download progress
//   Frame2        QGroupBox       "Information about mobile and SIM card:"
//   Label16..29   QLabel          phone information values ("???" when unknown)
//   Label1/Text2  QLabel/QLineEdit  service centre number (Label2 "+" stands left of it)
//   Command3      QPushButton     "Upload": read the service centre from the phone
//   Label6/Text4  QLabel/QLineEdit  recipient number
//   Text5         QPlainTextEdit  message text, at most 760 characters
//   Command1      QPushButton     "Delete": empties the message text
//   Label5/12/14  QLabel          used characters, characters left, messages needed
//   Text6         QLineEdit       sent messages (SentCount), editable
//   Text3         QPlainTextEdit  built PDUs, never shown
//   Combo2        QComboBox       recipient list, editable ("Select name:", SelectNameLabel)
//   (Text1)       -               the receive buffer: a string owned by the ReplyDispatcher
//   Command5/6/7  QPushButton     "Elaborate", "Send", "Store"
//   Command4      QPushButton     "Browse SMS"
//   Command8      QPushButton     "Exit"
//   Check1        QCheckBox       "Nokia Logo"
//   Frame1        QGroupBox       logo options: Option1..3, Command9, Text7, Text8, Image1
//   Timer1        QTimer          status timer, 1000 ms
//   Timer2        QTimer          phonebook download timer
#pragma once

#include <QMainWindow>

#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

struct AppState;
class PhonePort;
class Form5;
class Form6;
class ReplyDispatcher;
class Form1DispatcherView;

class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    Form1(AppState &state, PhonePort &comm, QWidget *parent = nullptr);
    ~Form1() override;

    AppState &state() { return m_state; }
    PhonePort &Comm1() { return m_comm; }

    /// The message text with each line break as CR LF (a break costs two characters).
    QString Text5Text() const;
    /// Replaces the message text; CR LF or LF become line breaks.
    void setText5Text(const QString &text);

    // ---- app/form1.cpp: start-up, shutdown, connection, settings, status timer
    void Form_Load();
    /// Closing the window: returns true when the program may end.
    bool Form_QueryUnload();
    void Command8_Click();
    void Mn_Esci_Click();
    void Mn_Apri_Click();
    void Mn_Chiudi_Click();
    void Mn_Test_Click();
    void Mn_Salva_Imp_Click();
    void Mn_AutoSave_Click();
    void Timer1_Timer();
    void Comm1_OnComm();
    /// The end asked for from outside (SIGTERM, SIGINT, SIGHUP): as Connection > Exit, but
    /// without the question; any message on the way goes to the error output instead of a
    /// box, so nothing holds the end up.
    void EndWithoutQuestions();
    /// The line to the phone went away while the port was open: a running search ends
    /// with its message; a running send, store or service-centre query ends at once (all
    /// flags lowered, pointer back) and says what did not go out.
    void onLineLost();

    // ---- compose/form1_compose.cpp: building, sending, storing, counters, log
    void Elabora();
    void Command5_Click();
    void Mn_Elabora_Click();
    void Command6_Click();
    void Mn_Invia_Click();
    void Command7_Click();
    void Mn_Salva_Click();
    void Mn_Conferma_Click();
    void Mn_Flash_Click();
    void Mn_Ricevuta_Click();
    void Mn_Log_Click();
    void Mn_DeleteLog_Click();
    void Mn_Azzera_Click();
    void Mn_Cancella_Click();
    void Command1_Click();
    void Command3_Click();
    void Mn_CSC_Click();
    void Text5_Change();
    void Text5_GotFocus();
    void Text6_Change();
    void Text6_GotFocus();

    // ---- logos/form1_logos.cpp: logo options and bitmaps
    void Check1_Click();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Command9_Click();
    void Text7_Change();
    void Text8_Change();
    bool LoadLogoBitmap(const QString &path);
    void SaveOperatorFile();

    // ---- phonebook/form1_phonebook.cpp: recipient list and download
    void Mn_Upload_Click();
    void Timer2_Timer();
    void Mn_Rub_Load_Click();
    void Mn_Rub_Save_Click();
    void Combo2_Click();
    void Combo2_Change();
    void ExtractRecipientNumber();
    /// True, after telling the user, while a phonebook download runs: any other command
    /// would interleave with its reads. Send, Store, the service-centre query and the
    /// message browser ask this first.
    bool RefuseDuringDownload();

    // ---- browser/form1_browser.cpp
    void Command4_Click();

    // ---- windows/form1_windows.cpp
    void Mn_Comm_Click();
    void Mn_About_Click();
    void Mn_Special_Click();

    // Menus
    QMenu *Mn_Connessione = nullptr;
    QAction *Mn_Apri = nullptr, *Mn_Chiudi = nullptr, *Mn_Test = nullptr, *Mn_Esci = nullptr;
    QMenu *Mn_Rubrica = nullptr;
    QAction *Mn_CSC = nullptr, *Mn_Upload = nullptr, *Mn_Rub_Load = nullptr,
            *Mn_Rub_Save = nullptr;
    QMenu *Mn_Testo = nullptr;
    QAction *Mn_Cancella = nullptr, *Mn_Special = nullptr, *Mn_Log = nullptr,
            *Mn_DeleteLog = nullptr;
    QMenu *Mn_SMS = nullptr;
    QAction *Mn_Elabora = nullptr, *Mn_Invia = nullptr, *Mn_Salva = nullptr;
    QMenu *Mn_Set = nullptr;
    QAction *Mn_Comm = nullptr, *Mn_Conferma = nullptr, *Mn_Azzera = nullptr,
            *Mn_Flash = nullptr, *Mn_Ricevuta = nullptr, *Mn_AutoSave = nullptr,
            *Mn_Salva_Imp = nullptr;
    QAction *Mn_About = nullptr;

    // Status bar and progress
    std::array<QLabel *, 5> StatusBar1Panel{};
    QProgressBar *ProgressBar1 = nullptr;

    // Phone information
    QGroupBox *Frame2 = nullptr;
    QLabel *Label3 = nullptr, *Label4 = nullptr, *Label19 = nullptr, *Label20 = nullptr;
    QLabel *Label24 = nullptr, *Label25 = nullptr, *Label28 = nullptr, *Label27 = nullptr;
    QLabel *Label16 = nullptr, *Label17 = nullptr, *Label18 = nullptr, *Label21 = nullptr;
    QLabel *Label23 = nullptr, *Label26 = nullptr, *Label22 = nullptr, *Label29 = nullptr;

    // Compose area
    QLabel *Label1 = nullptr, *Label2 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command3 = nullptr;
    QLabel *Label6 = nullptr;
    QLineEdit *Text4 = nullptr;
    QPlainTextEdit *Text5 = nullptr;
    QPushButton *Command1 = nullptr;
    QLabel *Label7 = nullptr, *Label5 = nullptr, *Label11 = nullptr, *Label12 = nullptr,
           *Label13 = nullptr, *Label14 = nullptr;
    QLabel *NonGsmLabel = nullptr;   ///< how many characters will arrive as "@"
    QLabel *Label9 = nullptr;
    QLineEdit *Text6 = nullptr;
    QPlainTextEdit *Text3 = nullptr;
    QLabel *SelectNameLabel = nullptr;
    QComboBox *Combo2 = nullptr;
    QPushButton *Command5 = nullptr, *Command6 = nullptr, *Command7 = nullptr,
                *Command4 = nullptr, *Command8 = nullptr;

    // Logo frame
    QCheckBox *Check1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr, *Option3 = nullptr;
    QPushButton *Command9 = nullptr;
    QLabel *Label10 = nullptr, *Label15 = nullptr;
    QLineEdit *Text7 = nullptr, *Text8 = nullptr;
    QLabel *Image1 = nullptr;

    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;

    // ---- app/form1.cpp: the receive buffer (Text1) and the search window
    ReplyDispatcher &Dispatcher() { return *m_dispatcher; }
    QString ReceiveBuffer() const;
    void ClearReceiveBuffer();
    /// The phone search window, created on first use.
    Form6 *SearchWindow();
    /// True from the end of loading until the first status tick has run the search.
    bool PendingAutoConnect() const { return m_pendingAutoConnect; }

    // ---- phonebook/form1_phonebook.cpp: download stages, run by every status tick
    void PhonebookStageStep();

    // ---- browser/form1_browser.cpp: the message browser, created on first use, and a
    // complete AT+CMGR or AT+CMGD reply for it
    Form5 *BrowserWindow();
    void BrowserReadReply(const QString &buffer);
    /// The line to the phone went away: a read or delete the browser awaits ends.
    void BrowserLineLost();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenus();
    void createControls();
    void connectSignals();
    void applyPortState(bool open);
    void enforceText5Limit();
    void endProgram();

    AppState &m_state;
    PhonePort &m_comm;
    std::unique_ptr<Form1DispatcherView> m_view;
    std::unique_ptr<ReplyDispatcher> m_dispatcher;
    Form6 *m_form6 = nullptr;
    bool m_pendingAutoConnect = false;
    bool m_inStatusTick = false;
    bool m_exiting = false;
    bool m_inText5Limit = false;
    int m_text5ChangePos = 0;
    int m_text5ChangeAdded = 0;
};
