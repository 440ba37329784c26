// SPDX-License-Identifier: GPL-3.0-or-later
// The message browser "Browser SMS": reads the messages stored in the phone one storage
// index at a time, lists them oldest first, and shows, answers, saves or deletes them.
//
// Controls (name, type, meaning):
//   Grid1          QTableWidget    the list: "Progr." (entry in Sms), "Id" (storage index),
//                                  "Sender", "Date and Time", "Service C. used"
//   Command1       QPushButton     "Read SMS": starts the read chain, or lists again when done
//   Command4       QPushButton     "Update": reads the phone again from index 1
//   Command5       QPushButton     "Save as..": writes the chosen message to a file
//   Command3       QPushButton     "Reply": answers the chosen message in the main window
//   Command7       QPushButton     "Delete": deletes the chosen message in the phone
//   Command2       QPushButton     "Exit"
//   Label1/Text2   QLabel/QPlainTextEdit  "Text of message:" and the chosen message
//   Label3/Label5  QLabel          "Sender:" and the chosen sender
//   Label4/Label6  QLabel          "Date and Time: (DD/MM/YY)" and the chosen time stamp
//   Label2/Text3   QLabel/QLineEdit  "Capacity:" and the storage positions read (SmsCapacity)
//   Check1         QCheckBox       "Delete SMS after saving"
//   ProgressBar1   QProgressBar    progress of the read chain
//   Text1          QLineEdit       PDU line of the last reply (hand-over box, never shown)
#pragma once

#include "browser/lettura.h"

#include <QDialog>

#include <memory>
#include <vector>

struct AppState;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

/// What the browser needs of the main window, which keeps the port and the receive buffer.
class BrowserView
{
public:
    virtual ~BrowserView() = default;
    /// Writes a command line (the text and CR) to the phone.
    virtual void writeCommand(const QString &command) = 0;
    virtual void clearReceiveBuffer() = 0;
    /// The recipient list's entries, in list order.
    virtual QStringList recipientEntries() const = 0;
    /// Starts an answer: the recipient list's text, the recipient number, the message text.
    virtual void setReply(const QString &listText, const QString &number,
                          const QString &text) = 0;
};

class Form5 : public QDialog
{
    Q_OBJECT
public:
    /// Largest capacity the user may type: storage indexes 1 to 999.
    static constexpr int kMaxCapacity = 999;

    Form5(AppState &state, std::unique_ptr<BrowserView> view, QWidget *parent = nullptr);
    ~Form5() override;

    void Form_Activate();
    void Command1_Click();   ///< "Read SMS"
    void Command4_Click();   ///< "Update"
    void Command5_Click();   ///< "Save as.."
    void Command3_Click();   ///< "Reply"
    void Command7_Click();   ///< "Delete"
    void Command2_Click();   ///< "Exit"
    void Grid1_Click();      ///< a row chosen
    void Text3_Change();
    void Text3_LostFocus();

    /// A complete reply to the browser's read or delete, from the reply dispatcher.
    void PhoneReply(const QString &buffer);
    /// The line to the phone went away: an awaited read or delete ends, and the user is told.
    void LineLost();
    /// Files the reply in Text1 under the index last requested and asks for the next.
    void Aggiorna_SMS_NO_ORDER();
    /// Sorts the records oldest first and lists those with a text.
    void Bouble_Sort();

    /// The records: entry k holds the reply to index k until the sort; entry 0 stays empty.
    const std::vector<Lettura::SmsRecord> &Sms() const { return m_sms; }
    int ReadIndex() const { return m_readIndex; }

    QTableWidget *Grid1 = nullptr;
    QPushButton *Command1 = nullptr, *Command4 = nullptr, *Command5 = nullptr,
                *Command3 = nullptr, *Command7 = nullptr, *Command2 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label5 = nullptr, *Label6 = nullptr;
    QPlainTextEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLineEdit *Text1 = nullptr;
    QCheckBox *Check1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void connectSignals();
    void readStep();
    void deleteReply(bool deleted);
    /// The record behind a grid row: the number in its "Progr." cell, 0 when none fits.
    int recordAt(int row) const;
    void showChosen(const QString &sender, const QString &dateTime, const QString &text);
    /// Text2 as it goes into a file or an answer: the message as read unless edited.
    QString text2Text() const;
    bool busy() const;

    AppState &m_state;
    std::unique_ptr<BrowserView> m_view;
    std::vector<Lettura::SmsRecord> m_sms;
    int m_readIndex = 0;
    int m_deleting = 0;          ///< record whose deletion the phone has not answered yet
    QString m_text2Message;      ///< the message put into Text2, line breaks as read
    int m_capacityKept = 0;      ///< the capacity before the typing began
    bool m_inCapacityCheck = false;
};
