// SPDX-License-Identifier: GPL-3.0-or-later
// The phone a scenario file describes: identity, phonebooks, messages, timing and faults.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace phonesim {

struct PhonebookEntry
{
    QString number;
    int type = 129;
    QString name;
};

/// A phonebook of positions 1..size; empty positions are absent from the map.
struct Phonebook
{
    int size = 0;
    int numberLength = 40;
    int nameLength = 16;
    bool emptyIsNotFound = false;       ///< an empty position answers +CME ERROR: 22, not OK
    QMap<int, PhonebookEntry> entries;
};

/// One number of an address-book contact, with its category (0 home, 1 office,
/// 2 mobile, 3 fax).
struct AddressBookNumber
{
    int category = 0;
    QString number;
    int type = 129;
};

struct AddressBookContact
{
    QString name;
    QList<AddressBookNumber> numbers;
};

/// The vendor address book read with AT^SDBR.
struct AddressBook
{
    int first = 1;
    int last = 100;
    int numberLength = 20;
    int nameLength = 14;
    bool emptyIsNotFound = false;       ///< an empty position answers +CME ERROR: 22, not OK
    QMap<int, AddressBookContact> contacts;
};

struct StoredMessage
{
    int status = 1;     ///< TS 27.005 <stat>: 0 unread, 1 read, 2 unsent, 3 sent
    QByteArray pdu;     ///< hex, service-centre field first, upper case
};

/// A message memory with positions 1..capacity.
struct MessageStore
{
    int capacity = 0;
    QMap<int, StoredMessage> messages;
};

/// An ERROR (or another final result) given instead of the answer at the Nth time a
/// command is received. `command` matches the command itself ("AT+CGMM") or the
/// command with its parameters ("AT+CPBR=?"). An empty reply: the phone never answers.
struct Injection
{
    QString command;
    int occurrence = 1;
    QByteArray reply = "ERROR";
};

/// Longest accepted reply delay of a scenario, in milliseconds.
constexpr int kMaxLatencyMs = 60000;

/// True when the command line (upper case) is `rule` itself, or `rule` followed by its
/// parameters ("AT+CPBR" matches "AT+CPBR=5" and "AT+CPBR=?").
bool CommandMatches(const QByteArray &line, const QByteArray &rule);

struct Scenario
{
    QString manufacturer = QStringLiteral("ACME");
    QString model = QStringLiteral("X1");
    QString revision = QStringLiteral("21");
    QString imei = QStringLiteral("350000000000001");
    QString imsi = QStringLiteral("222010000000001");
    QString operatorName = QStringLiteral("Corvina Mobile");

    bool echo = true;
    int cmee = 1;                       ///< +CMEE mode after power-on and ATZ

    QString serviceCentre = QStringLiteral("+393359609600");
    int serviceCentreType = 145;

    Phonebook sim;
    Phonebook phone;
    std::optional<AddressBook> addressBook; ///< absent: AT^SDBR answers ERROR

    MessageStore phoneMessages;         ///< "ME"
    MessageStore simMessages;           ///< "SM"
    bool combinedStorage = true;        ///< "MT" (ME then SM) can be selected
    /// AT+CMGR of an empty position: OK alone, else +CMS ERROR: 321.
    bool emptyReadIsOk = true;
    int firstMessageReference = 1;

    int latencyMs = 0;
    /// Reply delay per command ("AT+CPBR", or with parameters "AT+CPBR=3") instead of
    /// latencyMs; the longest matching rule wins.
    QMap<QString, int> commandLatencyMs;
    int jitterMs = 0;
    int chunks = 1;                     ///< pieces each reply is written in
    int chunkGapMs = 0;
    int silentMs = 0;                   ///< input ignored until this long after start
    int dropAfterCommands = 0;          ///< the line drops after this many command lines; 0 never
    quint32 seed = 1;
    QList<Injection> injections;
};

/// Reads a scenario file (JSON). Missing keys keep the defaults above.
/// Returns nothing and fills `error` when the file cannot be read or is malformed.
std::optional<Scenario> LoadScenario(const QString &path, QString *error);
std::optional<Scenario> ParseScenario(const QByteArray &json, QString *error);

} // namespace phonesim
