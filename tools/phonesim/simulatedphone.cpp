// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulatedphone.h"

#include "pduinfo.h"

#include <QDateTime>
#include <QJsonArray>

#include <algorithm>

namespace phonesim {

namespace {

constexpr char kCtrlZ = 0x1A;
constexpr char kEsc = 0x1B;
constexpr char kBackspace = 0x08;
constexpr int kMaxPduOctets = 176; // 164 TPDU octets plus a full service-centre field

QByteArray Num(qint64 n)
{
    return QByteArray::number(n);
}

QByteArray Quoted(const QByteArray &s)
{
    return '"' + s + '"';
}

QByteArray Unquote(QByteArray s)
{
    s = s.trimmed();
    if (s.size() >= 2 && s.startsWith('"') && s.endsWith('"'))
        s = s.mid(1, s.size() - 2);
    return s;
}

// Splits parameters at commas outside double quotes.
QList<QByteArray> Params(const QByteArray &s)
{
    QList<QByteArray> out;
    QByteArray cur;
    bool quoted = false;
    for (char c : s) {
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted) {
            out.append(cur.trimmed());
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.append(cur.trimmed());
    return out;
}

bool ToInt(const QByteArray &s, int *value)
{
    bool ok = false;
    *value = s.trimmed().toInt(&ok);
    return ok;
}

QString VerboseCme(int code)
{
    switch (code) {
    case 3: return QStringLiteral("operation not allowed");
    case 4: return QStringLiteral("operation not supported");
    case 21: return QStringLiteral("invalid index");
    case 22: return QStringLiteral("not found");
    default: return {};
    }
}

QString VerboseCms(int code)
{
    switch (code) {
    case 302: return QStringLiteral("operation not allowed");
    case 303: return QStringLiteral("operation not supported");
    case 304: return QStringLiteral("invalid PDU mode parameter");
    case 321: return QStringLiteral("invalid memory index");
    case 322: return QStringLiteral("memory full");
    default: return {};
    }
}

// Octets after the service-centre field, as +CMGR and +CMGL announce them.
int TpduLength(const QByteArray &hexPdu)
{
    bool ok = false;
    const int sca = hexPdu.left(2).toInt(&ok, 16);
    return int(hexPdu.size() / 2) - 1 - (ok ? sca : 0);
}

} // namespace

SimulatedPhone::SimulatedPhone(Scenario scenario)
    : m_s(std::move(scenario)), m_random(m_s.seed)
{
    m_started.start();
    m_clock = [this] { return m_started.elapsed(); };
    m_messageReference = m_s.firstMessageReference;
    reset();
}

void SimulatedPhone::setClock(std::function<qint64()> clock)
{
    m_clock = std::move(clock);
}

void SimulatedPhone::setEventSink(std::function<void(const QJsonObject &)> sink)
{
    m_sink = std::move(sink);
}

void SimulatedPhone::emitEvent(QJsonObject o)
{
    if (!m_sink)
        return;
    o[u"ms"] = m_clock();
    m_sink(o);
}

void SimulatedPhone::reset()
{
    m_echo = m_s.echo;
    m_cmee = m_s.cmee;
    m_charset = QStringLiteral("GSM");
    m_mem1 = m_mem2 = m_mem3 = QStringLiteral("ME");
    m_phonebook = QStringLiteral("SM");
}

QList<OutputChunk> SimulatedPhone::receive(const QByteArray &bytes)
{
    QList<OutputChunk> out;
    if (bytes.isEmpty())
        return out;
    if (m_dropped || m_clock() < m_s.silentMs) {
        QJsonObject o;
        o[u"type"] = QStringLiteral("ignored");
        o[u"reason"] = m_dropped ? QStringLiteral("line dropped") : QStringLiteral("silent");
        o[u"data"] = QString::fromLatin1(bytes);
        emitEvent(o);
        return out;
    }

    QByteArray echo;
    auto flushEcho = [&] {
        if (!echo.isEmpty() && m_echo)
            out.append({echo, 0});
        echo.clear();
    };

    for (char c : bytes) {
        if (m_dropped)
            break;
        if (m_mode == Mode::Pdu) {
            if (c == kCtrlZ || c == kEsc) {
                flushEcho();
                finishPdu(c == kEsc, out);
                continue;
            }
            echo += c;
            if (c != '\r' && c != '\n')
                m_pdu += c;
            continue;
        }
        echo += c;
        if (c == kBackspace) {
            m_line.chop(1);
            continue;
        }
        if (c != '\r') {
            m_line += c;
            continue;
        }
        flushEcho();
        const QByteArray line = m_line;
        m_line.clear();
        runLine(line, out);
    }
    flushEcho();
    return out;
}

void SimulatedPhone::emitReply(const QByteArray &command, const QByteArray &reply,
                               QList<OutputChunk> &out, bool injected)
{
    int latency = m_s.latencyMs;
    qsizetype ruleLength = -1;
    const QByteArray upper = command.toUpper();
    for (auto it = m_s.commandLatencyMs.begin(); it != m_s.commandLatencyMs.end(); ++it) {
        const QByteArray rule = it.key().toLatin1();
        if (rule.size() > ruleLength && CommandMatches(upper, rule)) {
            latency = it.value();
            ruleLength = rule.size();
        }
    }
    const int delay = latency + (m_s.jitterMs > 0 ? int(m_random.bounded(m_s.jitterMs + 1)) : 0);

    // Split points at random places, so that a CR LF or a result code may be cut in two
    // as a real line sometimes does.
    const int pieces = int(qMin<qsizetype>(m_s.chunks, reply.size()));
    QList<int> cuts;
    while (cuts.size() < pieces - 1) {
        const int cut = 1 + int(m_random.bounded(quint32(reply.size() - 1)));
        if (!cuts.contains(cut))
            cuts.append(cut);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.append(int(reply.size()));
    int from = 0;
    for (int i = 0; i < cuts.size(); ++i) {
        out.append({reply.mid(from, cuts[i] - from), i == 0 ? delay : m_s.chunkGapMs});
        from = cuts[i];
    }

    QJsonObject o;
    o[u"type"] = QStringLiteral("reply");
    o[u"command"] = QString::fromLatin1(command);
    o[u"data"] = QString::fromLatin1(reply);
    o[u"delayMs"] = delay;
    o[u"chunks"] = int(cuts.size());
    if (injected)
        o[u"injected"] = true;
    emitEvent(o);
}

QByteArray SimulatedPhone::finalText(const Result &r) const
{
    QByteArray text;
    switch (r.final) {
    case Final::Ok: text = "OK"; break;
    case Final::Prompt: text = "OK"; break;
    case Final::Error: text = "ERROR"; break;
    case Final::Raw: text = r.raw; break;
    case Final::CmeError:
        if (m_cmee == 0)
            text = "ERROR";
        else if (m_cmee == 2 && !VerboseCme(r.code).isEmpty())
            text = "+CME ERROR: " + VerboseCme(r.code).toLatin1();
        else
            text = "+CME ERROR: " + Num(r.code);
        break;
    case Final::CmsError:
        if (m_cmee == 2 && !VerboseCms(r.code).isEmpty())
            text = "+CMS ERROR: " + VerboseCms(r.code).toLatin1();
        else
            text = "+CMS ERROR: " + Num(r.code);
        break;
    }
    return "\r\n" + text + "\r\n";
}

void SimulatedPhone::runLine(const QByteArray &rawLine, QList<OutputChunk> &out)
{
    // V.250: everything before the "AT" prefix is ignored; a line without it gets no answer.
    const int at = int(rawLine.toUpper().indexOf("AT"));
    if (at < 0)
        return;
    const QByteArray line = rawLine.mid(at);
    const QByteArray body = line.mid(2);
    ++m_commandCount;
    {
        QJsonObject o;
        o[u"type"] = QStringLiteral("command");
        o[u"line"] = QString::fromLatin1(line);
        emitEvent(o);
    }

    QByteArray reply;
    bool injected = false;
    int pos = 0;
    const int n = int(body.size());
    bool first = true;
    while (pos < n || first) {
        first = false;
        while (pos < n && body.at(pos) == ' ')
            ++pos;
        QByteArray name;
        QByteArray args;
        if (pos < n) {
            const char c = body.at(pos);
            if (c == '+' || c == '^') {
                const int start = pos++;
                while (pos < n && (std::isalnum(quint8(body.at(pos))) || body.at(pos) == '_'))
                    ++pos;
                name = body.mid(start, pos - start).toUpper();
                const int argStart = pos;
                bool quoted = false;
                while (pos < n && (quoted || body.at(pos) != ';')) {
                    if (body.at(pos) == '"')
                        quoted = !quoted;
                    ++pos;
                }
                args = body.mid(argStart, pos - argStart);
                if (pos < n)
                    ++pos; // the ';' separating extended commands
            } else if (std::isalpha(quint8(c)) || c == '&') {
                const int start = pos++;
                if (c == '&' && pos < n)
                    ++pos;
                name = body.mid(start, pos - start).toUpper();
                const int argStart = pos;
                if (name == "D") {
                    pos = n;
                } else {
                    while (pos < n && (std::isdigit(quint8(body.at(pos))) || body.at(pos) == '='
                                       || body.at(pos) == '?'))
                        ++pos;
                }
                args = body.mid(argStart, pos - argStart);
            } else {
                reply += finalText({{}, Final::Error, 0, {}});
                emitReply(line, reply, out);
                break;
            }
        }

        const QByteArray full = "AT" + name + args.toUpper();
        Result r;
        bool hit = false;
        for (int i = 0; i < m_s.injections.size(); ++i) {
            const bool match = CommandMatches(full, m_s.injections[i].command.toLatin1());
            if (match && ++m_injectionSeen[i] == m_s.injections[i].occurrence && !hit) {
                hit = true;
                r.final = Final::Raw;
                r.raw = m_s.injections[i].reply;
            }
        }
        if (hit && r.raw.isEmpty()) {
            // A phone that swallows the command: echo, then nothing at all.
            QJsonObject o;
            o[u"type"] = QStringLiteral("unanswered");
            o[u"command"] = QString::fromLatin1(line);
            emitEvent(o);
            break;
        }
        if (hit)
            injected = true;
        else if (!name.isEmpty())
            r = execute(name, args, full);

        if (!r.lines.isEmpty())
            reply += "\r\n" + r.lines.join("\r\n") + "\r\n";
        if (r.final == Final::Prompt) {
            m_mode = Mode::Pdu;
            m_pdu.clear();
            reply += "\r\n> ";
            emitReply(line, reply, out, injected);
            break;   // the line's count still decides a drop: the PDU then finds no phone
        }
        if (r.final != Final::Ok) {
            reply += finalText(r);
            emitReply(line, reply, out, injected);
            break;
        }
        if (pos >= n) {
            reply += finalText(r);
            emitReply(line, reply, out, injected);
            break;
        }
    }

    if (m_s.dropAfterCommands > 0 && m_commandCount >= m_s.dropAfterCommands) {
        m_dropped = true;
        QJsonObject o;
        o[u"type"] = QStringLiteral("drop");
        o[u"afterCommands"] = m_commandCount;
        emitEvent(o);
    }
}

void SimulatedPhone::finishPdu(bool cancelled, QList<OutputChunk> &out)
{
    m_mode = Mode::Command;
    const QByteArray pdu = m_pdu.toUpper();
    m_pdu.clear();
    QJsonObject o;
    o[u"type"] = QStringLiteral("pdu");
    o[u"command"] = QString::fromLatin1(m_pduCommand);
    o[u"announced"] = m_pduLength;
    o[u"pdu"] = QString::fromLatin1(pdu);
    if (cancelled) {
        o[u"cancelled"] = true;
        emitEvent(o);
        emitReply(m_pduCommand, "\r\nOK\r\n", out);
        return;
    }

    const PduInfo info = DecodePdu(pdu);
    const bool storing = m_pduCommand == "AT+CMGW";
    QString problem;
    if (!info.ok)
        problem = info.error;
    else if (info.tpduOctets != m_pduLength)
        problem = QStringLiteral("announced %1 octets, the PDU holds %2")
                      .arg(m_pduLength).arg(info.tpduOctets);
    else if (info.mti == 2)
        problem = QStringLiteral("a status report where an SMS-SUBMIT is due");
    else if (info.mti == 0 && !(storing && m_pduStatus <= 1))
        problem = QStringLiteral("an SMS-DELIVER where an SMS-SUBMIT is due");
    else if (info.mti == 1 && storing && m_pduStatus <= 1)
        problem = QStringLiteral("an SMS-SUBMIT stored as a received message");
    o[u"valid"] = problem.isEmpty();
    if (!problem.isEmpty())
        o[u"problem"] = problem;
    o[u"decoded"] = info.toJson();

    Result r;
    if (!problem.isEmpty()) {
        r.final = Final::CmsError;
        r.code = 304;
    } else if (!storing) {
        const int mr = m_messageReference % 256;
        m_messageReference = (m_messageReference + 1) % 256;
        o[u"messageReference"] = mr;
        r.lines.append("+CMGS: " + Num(mr));
    } else {
        const int index = firstFree(m_mem2);
        if (index == 0) {
            r.final = Final::CmsError;
            r.code = 322;
        } else {
            const Slot slot = resolve(m_mem2, index);
            slot.store->messages.insert(slot.index, {m_pduStatus, pdu});
            o[u"memory"] = m_mem2;
            o[u"index"] = index;
            r.lines.append("+CMGW: " + Num(index));
        }
    }
    emitEvent(o);
    QByteArray reply;
    if (!r.lines.isEmpty())
        reply += "\r\n" + r.lines.join("\r\n") + "\r\n";
    reply += finalText(r);
    emitReply(m_pduCommand, reply, out);
}

SimulatedPhone::Result SimulatedPhone::execute(const QByteArray &name, const QByteArray &args,
                                               const QByteArray &)
{
    Result r;
    auto error = [] { return Result{{}, Final::Error, 0, {}}; };
    auto cms = [](int code) { return Result{{}, Final::CmsError, code, {}}; };
    auto info = [](const QByteArray &line) { return Result{{line}, Final::Ok, 0, {}}; };
    const bool test = args == "=?";
    const bool read = args == "?";
    const bool set = args.startsWith('=') && !test;
    const QByteArray value = set ? args.mid(1) : QByteArray();

    // Basic commands (V.250).
    if (name == "E") {
        if (args.isEmpty() || args == "0" || args == "1") {
            m_echo = args == "1";
            return r;
        }
        return error();
    }
    if (name == "V")
        return args == "1" ? r : error(); // numeric result codes are not offered
    if (name == "Q")
        return args.isEmpty() || args == "0" ? r : error();
    if (name == "Z" || name == "&F") {
        reset();
        return r;
    }
    if (name == "&C" || name == "&D" || name == "&K" || name == "&W" || name == "X"
        || name == "L" || name == "M" || name == "S")
        return r;
    if (name == "I")
        return Result{{m_s.manufacturer.toLatin1(), m_s.model.toLatin1(),
                       "REVISION " + m_s.revision.toLatin1()},
                      Final::Ok, 0, {}};

    // Identity (TS 27.007 §5).
    const QList<QPair<QByteArrayList, QString>> identity = {
        {{"+CGMI", "+GMI"}, m_s.manufacturer}, {{"+CGMM", "+GMM"}, m_s.model},
        {{"+CGMR", "+GMR"}, m_s.revision},     {{"+CGSN", "+GSN"}, m_s.imei},
        {{"+CIMI"}, m_s.imsi}};
    for (const auto &[names, text] : identity) {
        if (names.contains(name)) {
            if (args.isEmpty())
                return info(text.toLatin1());
            return test ? r : error();
        }
    }

    if (name == "+CMEE") {
        if (read)
            return info("+CMEE: " + Num(m_cmee));
        if (test)
            return info("+CMEE: (0-2)");
        int v = 0;
        if (set && ToInt(value, &v) && v >= 0 && v <= 2) {
            m_cmee = v;
            return r;
        }
        return error();
    }
    if (name == "+CSCS")
        return cmdCscs(args);
    if (name == "+CMGF") {
        if (read)
            return info("+CMGF: 0");
        if (test)
            return info("+CMGF: (0)");
        return value.trimmed() == "0" ? r : error(); // PDU mode only
    }
    if (name == "+CSMS") {
        if (read)
            return info("+CSMS: 0,1,1,1");
        if (test)
            return info("+CSMS: (0)");
        return value.trimmed() == "0" ? info("+CSMS: 1,1,1") : cms(303);
    }
    if (name == "+CPMS")
        return cmdCpms(args);
    if (name == "+CMGL")
        return cmdCmgl(args);
    if (name == "+CMGR")
        return cmdCmgr(args);
    if (name == "+CMGD")
        return cmdCmgd(args);
    if (name == "+CMGS" || name == "+CMGW") {
        if (test)
            return r;
        const QList<QByteArray> p = Params(value);
        int length = 0;
        if (!set || !ToInt(p.value(0), &length))
            return error();
        if (length < 1 || length > kMaxPduOctets)
            return cms(304);
        int status = 2;
        if (name == "+CMGW" && p.size() > 1
            && (!ToInt(p.at(1), &status) || status < 0 || status > 3))
            return cms(304);
        if (name == "+CMGS" && p.size() > 1)
            return cms(304);
        m_pduCommand = "AT" + name;
        m_pduLength = length;
        m_pduStatus = status;
        r.final = Final::Prompt;
        return r;
    }
    if (name == "+CSCA") {
        if (read)
            return info("+CSCA: " + Quoted(m_s.serviceCentre.toLatin1()) + ','
                        + Num(m_s.serviceCentreType));
        if (test)
            return r;
        const QList<QByteArray> p = Params(value);
        if (!set || Unquote(p.value(0)).isEmpty())
            return error();
        m_s.serviceCentre = QString::fromLatin1(Unquote(p.at(0)));
        int type = m_s.serviceCentre.startsWith(u'+') ? 145 : 129;
        if (p.size() > 1 && !ToInt(p.at(1), &type))
            return error();
        m_s.serviceCentreType = type;
        return r;
    }
    if (name == "+CNMI") {
        if (read)
            return info("+CNMI: 0,0,0,0,0");
        if (test)
            return info("+CNMI: (0-2),(0-3),(0,2),(0-2),(0,1)");
        return set ? r : error();
    }
    if (name == "+CSMP") {
        if (read)
            return info("+CSMP: 17,167,0,0");
        return set || test ? r : error();
    }
    if (name == "+CSDH") {
        if (read)
            return info("+CSDH: 0");
        return set || test ? r : error();
    }
    if (name == "+CPBS")
        return cmdCpbs(args);
    if (name == "+CPBR")
        return cmdCpbr(args);
    if (name == "^SDBR")
        return cmdSdbr(args);

    // Line and network status, asked by general AT clients on connecting.
    if (name == "+CSQ")
        return test ? info("+CSQ: (0-31,99),(0-7,99)") : info("+CSQ: 21,99");
    if (name == "+CBC")
        return test ? info("+CBC: (0-3),(0-100)") : info("+CBC: 0,80");
    if (name == "+CPIN")
        return read ? info("+CPIN: READY") : error();
    if (name == "+CFUN") {
        if (read)
            return info("+CFUN: 1");
        return set || test ? r : error();
    }
    if (name == "+CREG") {
        if (read)
            return info("+CREG: 0,1");
        if (test)
            return info("+CREG: (0-2)");
        return set ? r : error();
    }
    if (name == "+COPS") {
        if (read)
            return info("+COPS: 0,0," + Quoted(m_s.operatorName.toLatin1()));
        return set ? r : error();
    }
    if (name == "+GCAP")
        return info("+GCAP: +CGSM");
    if (name == "+CCLK" && read) {
        return info("+CCLK: \""
                    + QDateTime::currentDateTime().toString(QStringLiteral("yy/MM/dd,HH:mm:ss"))
                          .toLatin1()
                    + "+00\"");
    }
    return error();
}

SimulatedPhone::Result SimulatedPhone::cmdCscs(const QByteArray &args)
{
    static const QStringList kCharsets = {QStringLiteral("GSM"), QStringLiteral("IRA"),
                                          QStringLiteral("UCS2")};
    if (args == "?")
        return {{"+CSCS: " + Quoted(m_charset.toLatin1())}, Final::Ok, 0, {}};
    if (args == "=?")
        return {{"+CSCS: (\"GSM\",\"IRA\",\"UCS2\")"}, Final::Ok, 0, {}};
    if (args.startsWith('=')) {
        const QString cs = QString::fromLatin1(Unquote(args.mid(1))).toUpper();
        if (kCharsets.contains(cs)) {
            m_charset = cs;
            return {};
        }
        return {{}, Final::CmeError, 4, {}};
    }
    return {{}, Final::Error, 0, {}};
}

QByteArray SimulatedPhone::encodeText(const QString &text) const
{
    if (m_charset == u"UCS2") {
        QByteArray hex;
        for (const QChar c : text)
            hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
        return hex;
    }
    if (m_charset == u"IRA") {
        QByteArray out;
        for (const QChar c : text)
            out += c.unicode() < 0x80 ? char(c.unicode()) : '?';
        return out;
    }
    return UnicodeToGsm(text);
}

// ---- message memories -------------------------------------------------------------------

bool SimulatedPhone::knownMemory(const QString &memory) const
{
    return memory == u"ME" || memory == u"SM" || (memory == u"MT" && m_s.combinedStorage);
}

int SimulatedPhone::capacity(const QString &memory) const
{
    if (memory == u"SM")
        return m_s.simMessages.capacity;
    if (memory == u"ME")
        return m_s.phoneMessages.capacity;
    return m_s.phoneMessages.capacity + m_s.simMessages.capacity;
}

int SimulatedPhone::used(const QString &memory) const
{
    if (memory == u"SM")
        return int(m_s.simMessages.messages.size());
    if (memory == u"ME")
        return int(m_s.phoneMessages.messages.size());
    return int(m_s.phoneMessages.messages.size() + m_s.simMessages.messages.size());
}

SimulatedPhone::Slot SimulatedPhone::resolve(const QString &memory, int index)
{
    if (memory == u"SM")
        return {&m_s.simMessages, index};
    if (memory == u"ME" || index <= m_s.phoneMessages.capacity)
        return {&m_s.phoneMessages, index};
    return {&m_s.simMessages, index - m_s.phoneMessages.capacity};
}

QList<QPair<int, StoredMessage *>> SimulatedPhone::listed(const QString &memory)
{
    QList<QPair<int, StoredMessage *>> out;
    for (int i = 1; i <= capacity(memory); ++i) {
        const Slot slot = resolve(memory, i);
        auto it = slot.store->messages.find(slot.index);
        if (it != slot.store->messages.end())
            out.append({i, &it.value()});
    }
    return out;
}

int SimulatedPhone::firstFree(const QString &memory)
{
    for (int i = 1; i <= capacity(memory); ++i) {
        const Slot slot = resolve(memory, i);
        if (!slot.store->messages.contains(slot.index))
            return i;
    }
    return 0;
}

SimulatedPhone::Result SimulatedPhone::cmdCpms(const QByteArray &args)
{
    auto quotedList = [this](bool withCombined) {
        QByteArray l = "(\"ME\",\"SM\"";
        if (withCombined && m_s.combinedStorage)
            l += ",\"MT\"";
        return l + ')';
    };
    if (args == "=?")
        return {{"+CPMS: " + quotedList(true) + ',' + quotedList(false) + ',' + quotedList(false)},
                Final::Ok, 0, {}};
    auto status = [this](const QString &m) {
        return Num(used(m)) + ',' + Num(capacity(m));
    };
    if (args == "?") {
        QByteArray line = "+CPMS: ";
        line += Quoted(m_mem1.toLatin1()) + ',' + status(m_mem1) + ',';
        line += Quoted(m_mem2.toLatin1()) + ',' + status(m_mem2) + ',';
        line += Quoted(m_mem3.toLatin1()) + ',' + status(m_mem3);
        return {{line}, Final::Ok, 0, {}};
    }
    if (!args.startsWith('='))
        return {{}, Final::Error, 0, {}};
    const QList<QByteArray> p = Params(args.mid(1));
    if (p.size() > 3)
        return {{}, Final::Error, 0, {}};
    QStringList mems = {m_mem1, m_mem2, m_mem3};
    for (int i = 0; i < p.size(); ++i) {
        const QString m = QString::fromLatin1(Unquote(p.at(i))).toUpper();
        // A memory the phone does not have is refused with a plain ERROR, as phones
        // without a combined memory answer the unquoted AT+CPMS=MT.
        if (!knownMemory(m))
            return {{}, Final::Error, 0, {}};
        mems[i] = m;
    }
    m_mem1 = mems[0];
    m_mem2 = mems[1];
    m_mem3 = mems[2];
    return {{"+CPMS: " + status(m_mem1) + ',' + status(m_mem2) + ',' + status(m_mem3)}, Final::Ok,
            0, {}};
}

SimulatedPhone::Result SimulatedPhone::cmdCmgl(const QByteArray &args)
{
    if (args == "=?")
        return {{"+CMGL: (0-4)"}, Final::Ok, 0, {}};
    int stat = 0;
    if (!args.isEmpty() && (!args.startsWith('=') || !ToInt(args.mid(1), &stat) || stat < 0
                            || stat > 4))
        return {{}, Final::CmsError, 302, {}};
    Result r;
    for (const auto &[index, msg] : listed(m_mem1)) {
        if (stat != 4 && msg->status != stat)
            continue;
        r.lines.append("+CMGL: " + Num(index) + ',' + Num(msg->status) + ",,"
                       + Num(TpduLength(msg->pdu)));
        r.lines.append(msg->pdu);
        if (msg->status == 0)
            msg->status = 1;
    }
    return r;
}

SimulatedPhone::Result SimulatedPhone::cmdCmgr(const QByteArray &args)
{
    if (args == "=?")
        return {};
    int index = 0;
    if (!args.startsWith('=') || !ToInt(args.mid(1), &index))
        return {{}, Final::Error, 0, {}};
    if (index < 1 || index > capacity(m_mem1))
        return {{}, Final::CmsError, 321, {}};
    const Slot slot = resolve(m_mem1, index);
    auto it = slot.store->messages.find(slot.index);
    if (it == slot.store->messages.end())
        return m_s.emptyReadIsOk ? Result{} : Result{{}, Final::CmsError, 321, {}};
    Result r;
    r.lines.append("+CMGR: " + Num(it->status) + ",," + Num(TpduLength(it->pdu)));
    r.lines.append(it->pdu);
    if (it->status == 0)
        it->status = 1;
    return r;
}

SimulatedPhone::Result SimulatedPhone::cmdCmgd(const QByteArray &args)
{
    if (args == "=?") {
        QByteArrayList used;
        for (const auto &entry : listed(m_mem1))
            used.append(Num(entry.first));
        return {{"+CMGD: (" + used.join(',') + "),(0-4)"}, Final::Ok, 0, {}};
    }
    const QList<QByteArray> p = Params(args.mid(1));
    int index = 0;
    int flag = 0;
    if (!args.startsWith('=') || !ToInt(p.value(0), &index)
        || (p.size() > 1 && (!ToInt(p.at(1), &flag) || flag < 0 || flag > 4)))
        return {{}, Final::Error, 0, {}};
    if (flag == 0 && (index < 1 || index > capacity(m_mem1)))
        return {{}, Final::CmsError, 321, {}};
    if (flag == 0) {
        const Slot slot = resolve(m_mem1, index);
        slot.store->messages.remove(slot.index);
    } else {
        // 1 read, 2 read and sent, 3 read, sent and unsent, 4 all.
        for (const auto &[i, msg] : listed(m_mem1)) {
            const int s = msg->status;
            if (flag == 4 || (s == 1) || (flag >= 2 && s == 3) || (flag >= 3 && s == 2)) {
                const Slot slot = resolve(m_mem1, i);
                slot.store->messages.remove(slot.index);
            }
        }
    }
    QJsonObject o;
    o[u"type"] = QStringLiteral("deleted");
    o[u"memory"] = m_mem1;
    o[u"index"] = index;
    o[u"flag"] = flag;
    emitEvent(o);
    return {};
}

// ---- phonebooks -------------------------------------------------------------------------

Phonebook &SimulatedPhone::currentPhonebook()
{
    return m_phonebook == u"ME" ? m_s.phone : m_s.sim;
}

SimulatedPhone::Result SimulatedPhone::cmdCpbs(const QByteArray &args)
{
    if (args == "=?")
        return {{"+CPBS: (\"SM\",\"ME\")"}, Final::Ok, 0, {}};
    if (args == "?") {
        const Phonebook &b = currentPhonebook();
        return {{"+CPBS: " + Quoted(m_phonebook.toLatin1()) + ',' + Num(b.entries.size()) + ','
                 + Num(b.size)},
                Final::Ok, 0, {}};
    }
    if (!args.startsWith('='))
        return {{}, Final::Error, 0, {}};
    const QString book = QString::fromLatin1(Unquote(args.mid(1))).toUpper();
    if (book != u"SM" && book != u"ME")
        return {{}, Final::CmeError, 3, {}};
    m_phonebook = book;
    return {};
}

SimulatedPhone::Result SimulatedPhone::cmdCpbr(const QByteArray &args)
{
    const Phonebook &b = currentPhonebook();
    if (args == "=?")
        return {{"+CPBR: (1-" + Num(b.size) + ")," + Num(b.numberLength) + ','
                 + Num(b.nameLength)},
                Final::Ok, 0, {}};
    const QList<QByteArray> p = Params(args.mid(1));
    int first = 0;
    int last = 0;
    if (!args.startsWith('=') || p.size() > 2 || !ToInt(p.value(0), &first))
        return {{}, Final::Error, 0, {}};
    last = first;
    if (p.size() == 2 && !ToInt(p.at(1), &last))
        return {{}, Final::Error, 0, {}};
    if (first < 1 || first > b.size || last < first || last > b.size)
        return {{}, Final::CmeError, 21, {}};
    Result r;
    for (auto it = b.entries.lowerBound(first); it != b.entries.end() && it.key() <= last; ++it) {
        r.lines.append("+CPBR: " + Num(it.key()) + ',' + Quoted(it->number.toLatin1()) + ','
                       + Num(it->type) + ',' + Quoted(encodeText(it->name)));
    }
    if (r.lines.isEmpty() && b.emptyIsNotFound)
        return {{}, Final::CmeError, 22, {}};
    return r;
}

SimulatedPhone::Result SimulatedPhone::cmdSdbr(const QByteArray &args)
{
    // Phones without the vendor address book do not know the command at all.
    if (!m_s.addressBook)
        return {{}, Final::Error, 0, {}};
    const AddressBook &b = *m_s.addressBook;
    if (args == "=?")
        return {{"^SDBR: (" + Num(b.first) + '-' + Num(b.last) + ")," + Num(b.numberLength) + ','
                 + Num(b.nameLength)},
                Final::Ok, 0, {}};
    int index = 0;
    if (!args.startsWith('=') || !ToInt(args.mid(1), &index))
        return {{}, Final::Error, 0, {}};
    if (index < b.first || index > b.last)
        return {{}, Final::CmeError, 21, {}};
    Result r;
    const auto it = b.contacts.find(index);
    if (it == b.contacts.end())
        return b.emptyIsNotFound ? Result{{}, Final::CmeError, 22, {}} : r;
    for (const AddressBookNumber &n : it->numbers) {
        r.lines.append("^SDBR: " + Num(n.category) + ',' + Quoted(n.number.toLatin1()) + ','
                       + Num(n.type) + ',' + Quoted(encodeText(it->name)));
    }
    return r;
}

} // namespace phonesim
