// SPDX-License-Identifier: GPL-3.0-or-later
#include "scenario.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cctype>
#include <cmath>

namespace phonesim {

namespace {

// A misspelt key would silently keep a default and make a test pass for the wrong
// reason, so every section lists what it accepts.
bool CheckKeys(const QJsonObject &o, std::initializer_list<const char *> allowed,
               const QString &where, QString *error)
{
    QSet<QString> known;
    for (const char *k : allowed)
        known.insert(QString::fromLatin1(k));
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!known.contains(it.key())) {
            *error = QStringLiteral("unknown key \"%1\" in %2").arg(it.key(), where);
            return false;
        }
    }
    return true;
}

int DefaultType(const QString &number)
{
    return number.startsWith(u'+') ? 145 : 129;
}

// "ok": an empty position answers OK alone; "notFound": +CME ERROR: 22, as many phones do.
bool ReadEmptyRead(const QJsonObject &o, bool *notFound, const QString &where, QString *error)
{
    const QJsonValue given = o.value(u"emptyRead");
    const QString v = given.isUndefined() ? QStringLiteral("ok") : given.toString();
    if (v != u"ok" && v != u"notFound") {
        *error = QStringLiteral("%1: emptyRead must be \"ok\" or \"notFound\"").arg(where);
        return false;
    }
    *notFound = v == u"notFound";
    return true;
}

bool ReadPhonebook(const QJsonValue &v, Phonebook *book, const QString &where, QString *error)
{
    if (v.isUndefined())
        return true;
    const QJsonObject o = v.toObject();
    if (!CheckKeys(o, {"size", "numberLength", "nameLength", "emptyRead", "entries"}, where,
                   error)
        || !ReadEmptyRead(o, &book->emptyIsNotFound, where, error))
        return false;
    book->size = o.value(u"size").toInt(book->size);
    book->numberLength = o.value(u"numberLength").toInt(book->numberLength);
    book->nameLength = o.value(u"nameLength").toInt(book->nameLength);
    int next = 1;
    for (const QJsonValue &ev : o.value(u"entries").toArray()) {
        const QJsonObject e = ev.toObject();
        if (!CheckKeys(e, {"index", "number", "type", "name"}, where + QStringLiteral(" entry"),
                       error))
            return false;
        const int index = e.value(u"index").toInt(next);
        PhonebookEntry entry;
        entry.number = e.value(u"number").toString();
        entry.type = e.value(u"type").toInt(DefaultType(entry.number));
        entry.name = e.value(u"name").toString();
        if (index < 1 || index > book->size) {
            *error = QStringLiteral("%1: position %2 outside 1..%3")
                         .arg(where)
                         .arg(index)
                         .arg(book->size);
            return false;
        }
        book->entries.insert(index, entry);
        next = index + 1;
    }
    return true;
}

bool ReadMessages(const QJsonObject &o, Scenario *s, QString *error)
{
    if (!CheckKeys(o, {"phoneCapacity", "simCapacity", "combinedStorage", "emptyRead",
                       "firstMessageReference", "stored"},
                   QStringLiteral("messages"), error))
        return false;
    s->phoneMessages.capacity = o.value(u"phoneCapacity").toInt(s->phoneMessages.capacity);
    s->simMessages.capacity = o.value(u"simCapacity").toInt(s->simMessages.capacity);
    s->combinedStorage = o.value(u"combinedStorage").toBool(s->combinedStorage);
    s->emptyReadIsOk = o.value(u"emptyRead").toString(QStringLiteral("ok")) == u"ok";
    s->firstMessageReference = o.value(u"firstMessageReference").toInt(s->firstMessageReference);
    QMap<QString, int> next{{QStringLiteral("ME"), 1}, {QStringLiteral("SM"), 1}};
    for (const QJsonValue &mv : o.value(u"stored").toArray()) {
        const QJsonObject m = mv.toObject();
        if (!CheckKeys(m, {"memory", "index", "status", "pdu", "note"},
                       QStringLiteral("stored message"), error))
            return false;
        const QString memory = m.value(u"memory").toString(QStringLiteral("ME"));
        if (memory != u"ME" && memory != u"SM") {
            *error = QStringLiteral("stored message: memory must be ME or SM");
            return false;
        }
        MessageStore &store = memory == u"ME" ? s->phoneMessages : s->simMessages;
        const int index = m.value(u"index").toInt(next[memory]);
        if (index < 1 || index > store.capacity) {
            *error = QStringLiteral("stored message: position %1 outside 1..%2 of %3")
                         .arg(index).arg(store.capacity).arg(memory);
            return false;
        }
        StoredMessage msg;
        msg.status = m.value(u"status").toInt(1);
        msg.pdu = m.value(u"pdu").toString().toLatin1().toUpper();
        store.messages.insert(index, msg);
        next[memory] = index + 1;
    }
    return true;
}

// The numbers a scenario may hold. A value outside its range (a capacity of 2147483647, a
// silence of 1e300 seconds) would overflow the phone's arithmetic or make it walk billions
// of positions, so it is refused with its path, not clamped. "[]" walks every element of
// an array.
struct Bound
{
    const char *path;
    double min;
    double max;
    bool integer = true;
};

constexpr int kMaxPositions = 10000;    // phonebook positions (real phones: a few hundred)
constexpr int kMaxMessages = 1000;      // message positions per memory
constexpr int kMaxMs = 60000;           // any delay: a minute
constexpr int kMaxCount = 1000000;      // command counts

const Bound kBounds[] = {
    {"cmee", 0, 2},
    {"serviceCentre.type", 0, 255},
    {"simPhonebook.size", 0, kMaxPositions},
    {"simPhonebook.numberLength", 0, 255},
    {"simPhonebook.nameLength", 0, 255},
    {"simPhonebook.entries[].index", 1, kMaxPositions},
    {"simPhonebook.entries[].type", 0, 255},
    {"phonePhonebook.size", 0, kMaxPositions},
    {"phonePhonebook.numberLength", 0, 255},
    {"phonePhonebook.nameLength", 0, 255},
    {"phonePhonebook.entries[].index", 1, kMaxPositions},
    {"phonePhonebook.entries[].type", 0, 255},
    {"addressBook.first", 0, 32767},
    {"addressBook.last", 0, 32767},
    {"addressBook.numberLength", 0, 255},
    {"addressBook.nameLength", 0, 255},
    {"addressBook.contacts[].index", 0, 32767},
    // Phones use categories beyond the usual four (0 home, 1 office, 2 mobile, 3 fax).
    {"addressBook.contacts[].numbers[].category", 0, 255},
    {"addressBook.contacts[].numbers[].type", 0, 255},
    {"messages.phoneCapacity", 0, kMaxMessages},
    {"messages.simCapacity", 0, kMaxMessages},
    {"messages.firstMessageReference", 0, 255},
    {"messages.stored[].index", 1, kMaxMessages},
    {"messages.stored[].status", 0, 3},
    {"timing.latencyMs", 0, kMaxMs},
    {"timing.jitterMs", 0, kMaxMs},
    {"timing.chunks", 0, 100000},
    {"timing.chunkGapMs", 0, kMaxMs},
    {"timing.silentSeconds", 0, 3600, false},
    {"timing.seed", 0, 2147483647},
    {"faults.dropAfterCommands", 0, kMaxCount},
    {"faults.errors[].occurrence", 1, kMaxCount},
};

bool CheckBound(const QJsonValue &v, const Bound &b, const QString &where, QString *error)
{
    if (v.isUndefined() || v.isNull())
        return true;
    const double d = v.toDouble();
    const bool number = v.isDouble() && std::isfinite(d);
    if (number && d >= b.min && d <= b.max && (!b.integer || d == std::floor(d)))
        return true;
    const QString shown = v.isDouble() ? QString::number(d, 'g', 15)
        : v.isString()                 ? QLatin1Char('"') + v.toString() + QLatin1Char('"')
                                       : QStringLiteral("a non-number");
    const QString kind = b.integer ? QStringLiteral("a whole number") : QStringLiteral("a number");
    *error = QStringLiteral("%1 must be %2 from %3 to %4, not %5")
                 .arg(where, kind)
                 .arg(b.min, 0, 'g', 10)
                 .arg(b.max, 0, 'g', 10)
                 .arg(shown);
    return false;
}

bool CheckPath(const QJsonValue &v, QStringList steps, const Bound &b, const QString &where,
               QString *error)
{
    if (steps.isEmpty())
        return CheckBound(v, b, where, error);
    QString step = steps.takeFirst();
    const bool each = step.endsWith(QLatin1String("[]"));
    if (each)
        step.chop(2);
    if (!v.isObject())
        return true;   // a section of the wrong kind reads as empty, as the reader takes it
    const QJsonValue inner = v.toObject().value(step);
    const QString here = where.isEmpty() ? step : where + QLatin1Char('.') + step;
    if (!each)
        return CheckPath(inner, steps, b, here, error);
    const QJsonArray items = inner.toArray();
    for (qsizetype i = 0; i < items.size(); ++i)
        if (!CheckPath(items.at(i), steps, b, here + QStringLiteral("[%1]").arg(i), error))
            return false;
    return true;
}

/// Refuses a scenario whose numbers lie outside kBounds, or whose address book ends
/// before it starts.
bool CheckBounds(const QJsonObject &root, QString *error)
{
    for (const Bound &b : kBounds)
        if (!CheckPath(root, QString::fromLatin1(b.path).split(QLatin1Char('.')), b, QString(),
                       error))
            return false;
    const QJsonObject ab = root.value(u"addressBook").toObject();
    if (ab.value(u"first").toInt(1) > ab.value(u"last").toInt(100)) {
        *error = QStringLiteral("addressBook: first must not be after last");
        return false;
    }
    return true;
}

} // namespace

bool CommandMatches(const QByteArray &line, const QByteArray &rule)
{
    if (line == rule)
        return true;
    if (!line.startsWith(rule) || line.size() <= rule.size() || rule.isEmpty())
        return false;
    const char next = line.at(rule.size());
    return next == '=' || next == '?'
           || (std::isdigit(quint8(next)) && std::isalpha(quint8(rule.back())));
}

std::optional<Scenario> ParseScenario(const QByteArray &json, QString *error)
{
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
    if (doc.isNull() || !doc.isObject()) {
        *error = QStringLiteral("not a JSON object: %1").arg(pe.errorString());
        return std::nullopt;
    }
    const QJsonObject root = doc.object();
    if (!CheckKeys(root, {"description", "identity", "echo", "cmee", "serviceCentre",
                          "simPhonebook", "phonePhonebook", "addressBook", "messages",
                          "timing", "faults"},
                   QStringLiteral("the scenario"), error))
        return std::nullopt;
    if (!CheckBounds(root, error))
        return std::nullopt;

    Scenario s;
    s.sim.size = 250;
    s.phone.size = 100;
    s.phoneMessages.capacity = 25;
    s.simMessages.capacity = 10;

    const QJsonObject id = root.value(u"identity").toObject();
    if (!CheckKeys(id, {"manufacturer", "model", "revision", "imei", "imsi", "operator"},
                   QStringLiteral("identity"), error))
        return std::nullopt;
    s.manufacturer = id.value(u"manufacturer").toString(s.manufacturer);
    s.model = id.value(u"model").toString(s.model);
    s.revision = id.value(u"revision").toString(s.revision);
    s.imei = id.value(u"imei").toString(s.imei);
    s.imsi = id.value(u"imsi").toString(s.imsi);
    s.operatorName = id.value(u"operator").toString(s.operatorName);

    s.echo = root.value(u"echo").toBool(s.echo);
    s.cmee = root.value(u"cmee").toInt(s.cmee);

    const QJsonObject sc = root.value(u"serviceCentre").toObject();
    if (!CheckKeys(sc, {"number", "type"}, QStringLiteral("serviceCentre"), error))
        return std::nullopt;
    s.serviceCentre = sc.value(u"number").toString(s.serviceCentre);
    s.serviceCentreType = sc.value(u"type").toInt(DefaultType(s.serviceCentre));

    if (!ReadPhonebook(root.value(u"simPhonebook"), &s.sim, QStringLiteral("simPhonebook"), error)
        || !ReadPhonebook(root.value(u"phonePhonebook"), &s.phone,
                          QStringLiteral("phonePhonebook"), error))
        return std::nullopt;

    const QJsonValue ab = root.value(u"addressBook");
    if (ab.isObject()) {
        const QJsonObject o = ab.toObject();
        AddressBook book;
        if (!CheckKeys(o, {"first", "last", "numberLength", "nameLength", "emptyRead", "contacts"},
                       QStringLiteral("addressBook"), error)
            || !ReadEmptyRead(o, &book.emptyIsNotFound, QStringLiteral("addressBook"), error))
            return std::nullopt;
        book.first = o.value(u"first").toInt(book.first);
        book.last = o.value(u"last").toInt(book.last);
        book.numberLength = o.value(u"numberLength").toInt(book.numberLength);
        book.nameLength = o.value(u"nameLength").toInt(book.nameLength);
        int next = book.first;
        for (const QJsonValue &cv : o.value(u"contacts").toArray()) {
            const QJsonObject c = cv.toObject();
            if (!CheckKeys(c, {"index", "name", "numbers"}, QStringLiteral("address-book contact"),
                           error))
                return std::nullopt;
            const int index = c.value(u"index").toInt(next);
            if (index < book.first || index > book.last) {
                *error = QStringLiteral("address-book contact: position %1 outside %2..%3")
                             .arg(index).arg(book.first).arg(book.last);
                return std::nullopt;
            }
            AddressBookContact contact;
            contact.name = c.value(u"name").toString();
            for (const QJsonValue &nv : c.value(u"numbers").toArray()) {
                const QJsonObject n = nv.toObject();
                if (!CheckKeys(n, {"category", "number", "type"},
                               QStringLiteral("address-book number"), error))
                    return std::nullopt;
                AddressBookNumber number;
                number.category = n.value(u"category").toInt(0);
                number.number = n.value(u"number").toString();
                number.type = n.value(u"type").toInt(DefaultType(number.number));
                contact.numbers.append(number);
            }
            book.contacts.insert(index, contact);
            next = index + 1;
        }
        s.addressBook = book;
    } else if (!ab.isUndefined() && !ab.isNull()) {
        *error = QStringLiteral("addressBook must be an object or null");
        return std::nullopt;
    }

    if (!ReadMessages(root.value(u"messages").toObject(), &s, error))
        return std::nullopt;

    const QJsonObject t = root.value(u"timing").toObject();
    if (!CheckKeys(t, {"latencyMs", "commandLatencyMs", "jitterMs", "chunks", "chunkGapMs",
                       "silentSeconds", "seed"},
                   QStringLiteral("timing"), error))
        return std::nullopt;
    s.latencyMs = t.value(u"latencyMs").toInt(s.latencyMs);
    const QJsonObject perCommand = t.value(u"commandLatencyMs").toObject();
    for (auto it = perCommand.begin(); it != perCommand.end(); ++it) {
        const double ms = it.value().toDouble(-1);
        if (!it.key().startsWith(u"AT", Qt::CaseInsensitive) || !it.value().isDouble()
            || !(ms >= 0 && ms <= kMaxLatencyMs) || ms != std::floor(ms)) {
            *error = QStringLiteral("timing.commandLatencyMs: \"%1\" needs a command "
                                    "beginning with AT and whole milliseconds 0..%2")
                         .arg(it.key())
                         .arg(kMaxLatencyMs);
            return std::nullopt;
        }
        s.commandLatencyMs.insert(it.key().toUpper(), int(ms));
    }
    s.jitterMs = t.value(u"jitterMs").toInt(s.jitterMs);
    s.chunks = qMax(1, t.value(u"chunks").toInt(s.chunks));
    s.chunkGapMs = t.value(u"chunkGapMs").toInt(s.chunkGapMs);
    s.silentMs = int(t.value(u"silentSeconds").toDouble(0) * 1000);
    s.seed = quint32(t.value(u"seed").toInt(int(s.seed)));

    const QJsonObject f = root.value(u"faults").toObject();
    if (!CheckKeys(f, {"errors", "dropAfterCommands"}, QStringLiteral("faults"), error))
        return std::nullopt;
    s.dropAfterCommands = f.value(u"dropAfterCommands").toInt(0);
    for (const QJsonValue &ev : f.value(u"errors").toArray()) {
        const QJsonObject e = ev.toObject();
        if (!CheckKeys(e, {"command", "occurrence", "reply"}, QStringLiteral("faults.errors"),
                       error))
            return std::nullopt;
        Injection inj;
        inj.command = e.value(u"command").toString().toUpper();
        inj.occurrence = e.value(u"occurrence").toInt(1);
        inj.reply = e.value(u"reply").toString(QStringLiteral("ERROR")).toLatin1();
        if (inj.command.isEmpty() || inj.occurrence < 1) {
            *error = QStringLiteral("faults.errors: a command and an occurrence of 1 or more");
            return std::nullopt;
        }
        s.injections.append(inj);
    }
    return s;
}

std::optional<Scenario> LoadScenario(const QString &path, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    return ParseScenario(f.readAll(), error);
}

} // namespace phonesim
