// SPDX-License-Identifier: GPL-3.0-or-later
// The one process-wide record of flags, counters, sizes, PDU fields and message slots.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

/// Shared state of the program. One instance lives for the whole process and is
/// passed by reference to every piece of logic that needs it (no globals).
/// "Integer" fields are 16-bit signed, as the settings file and the counters expect.
struct AppState
{
    // Options and counters
    bool ConfirmSend = true;       ///< ask before sending; mirrored by Mn_Conferma
    bool StatusReport = false;     ///< request a status report; mirrored by Mn_Ricevuta
    bool FlashSms = false;         ///< send as class 0; mirrored by Mn_Flash, never saved
    std::int16_t SentCount = 0;    ///< messages sent so far; shown in Text6, kept in Sent.txt
    std::int16_t SimPhonebookSize = 200;   ///< last SIM position; 0/1 mark the search sub-steps
    std::int16_t PhonePhonebookSize = 50;  ///< last phone position; 0/1 as above
    std::int16_t SmsCapacity = 20;         ///< storage positions the browser reads

    // Phone information
    bool MessageStorageAvailable = false;
    bool AddressBookAvailable = false;
    std::int16_t AddressBookFirst = 0;
    std::int16_t AddressBookLast = 0;

    // Phone search chain, one flag per step, in step order
    bool WaitAtReply = false;
    bool WaitManufacturer = false;
    bool WaitModel = false;
    bool WaitFirmware = false;
    bool WaitImei = false;
    bool WaitImsi = false;
    bool WaitMessageStorage = false;
    bool WaitAddressBookRange = false;
    bool WaitSimPhonebookRange = false;
    bool WaitPhonePhonebookRange = false;

    // Service centre query
    bool WaitServiceCentre = false;
    QString ServiceCentre;

    // Store (AT+CMGW) and send (AT+CMGS) chains
    bool StoreActive = false;
    bool SendActive = false;
    bool WaitStorePrompt1 = false, WaitStorePrompt2 = false, WaitStorePrompt3 = false,
         WaitStorePrompt4 = false, WaitStorePrompt5 = false;
    bool WaitStoreOk1 = false, WaitStoreOk2 = false, WaitStoreOk3 = false, WaitStoreOk4 = false;
    bool WaitSendPrompt1 = false, WaitSendPrompt2 = false, WaitSendPrompt3 = false,
         WaitSendPrompt4 = false, WaitSendPrompt5 = false;
    bool WaitSendOk1 = false, WaitSendOk2 = false, WaitSendOk3 = false, WaitSendOk4 = false;
    bool WaitSentOk = false;       ///< the last part is written; its OK completes the send

    // Message browser
    bool WaitReadReply = false;    ///< an AT+CMGR reply is awaited
    bool WaitDeleteReply = false;  ///< an AT+CMGD reply is awaited

    // Phonebook download
    bool PhonebookDownload = false;
    bool WaitSimPhonebook = false;
    bool WaitPhonePhonebook = false;
    bool WaitAddressBook = false;
    bool PhonebookReplyReady = false;
    QString PhonebookReply;
    std::int16_t PhonebookIndex = 0;
    std::int16_t PhonebookStage = 0;   ///< 0 none, 1 SIM, 2 phone, 3 address book
    bool PhonebookAwaiting = false;    ///< the running stage's last command is unanswered
    int PhonebookWaitedMs = 0;         ///< how long it has been unanswered, in ticks' time
    /// Positions given up on after the reply time-out: SIM, phone, address book.
    std::array<std::int16_t, 3> PhonebookUnread{};

    /// After the picker, the next focus on Text5 puts the caret last.
    bool CaretToEnd = false;

    // Fields of the SMS-SUBMIT PDU being built (hex text)
    QString FirstOctet;
    QString ServiceCentreField;
    QString MessageRef;
    QString DestAddress;
    QString ProtocolId;
    QString DataCoding;
    QString ValidityPeriod;

    // Message slots, one per part
    QString UserData1, UserData2, UserData3, UserData4, UserData5;
    QString Pdu1, Pdu2, Pdu3, Pdu4, Pdu5;
    int PduLength1 = 0, PduLength2 = 0, PduLength3 = 0, PduLength4 = 0, PduLength5 = 0;

    QString LogLine;

    // Logos and picture messages (hex text)
    bool LogoMode = false;
    bool OperatorLogoMode = false;
    bool PictureMode = false;
    QString LogoData;
    QString PictureData1, PictureData2, PictureData3;
    QString OperatorMcc;
    QString OperatorMnc;
};
