// SPDX-License-Identifier: GPL-3.0-or-later
#include "compose/sendstep.h"

#include "app/appstate.h"
#include "app/phoneport.h"
#include "compose/sendworkflow.h"

#include <array>

namespace Module1 {

namespace {

constexpr QChar kCr(u'\r');
constexpr QChar kCtrlZ(u'\x1A');

enum class Awaits { Prompt, Ok };

struct Step
{
    bool AppState::*flag;
    Awaits awaits;
    int part;   // 1..5
};

struct Chain
{
    std::array<Step, 9> steps;   // prompt 1, OK 1, ..., OK 4, prompt 5
    std::array<bool AppState::*, 5> prompts;
    QLatin1String command;
    bool AppState::*active;
};

const Chain kStoreChain = {
    {{{&AppState::WaitStorePrompt1, Awaits::Prompt, 1}, {&AppState::WaitStoreOk1, Awaits::Ok, 1},
      {&AppState::WaitStorePrompt2, Awaits::Prompt, 2}, {&AppState::WaitStoreOk2, Awaits::Ok, 2},
      {&AppState::WaitStorePrompt3, Awaits::Prompt, 3}, {&AppState::WaitStoreOk3, Awaits::Ok, 3},
      {&AppState::WaitStorePrompt4, Awaits::Prompt, 4}, {&AppState::WaitStoreOk4, Awaits::Ok, 4},
      {&AppState::WaitStorePrompt5, Awaits::Prompt, 5}}},
    {&AppState::WaitStorePrompt1, &AppState::WaitStorePrompt2, &AppState::WaitStorePrompt3,
     &AppState::WaitStorePrompt4, &AppState::WaitStorePrompt5},
    QLatin1String("AT+CMGW="),
    &AppState::StoreActive,
};

const Chain kSendChain = {
    {{{&AppState::WaitSendPrompt1, Awaits::Prompt, 1}, {&AppState::WaitSendOk1, Awaits::Ok, 1},
      {&AppState::WaitSendPrompt2, Awaits::Prompt, 2}, {&AppState::WaitSendOk2, Awaits::Ok, 2},
      {&AppState::WaitSendPrompt3, Awaits::Prompt, 3}, {&AppState::WaitSendOk3, Awaits::Ok, 3},
      {&AppState::WaitSendPrompt4, Awaits::Prompt, 4}, {&AppState::WaitSendOk4, Awaits::Ok, 4},
      {&AppState::WaitSendPrompt5, Awaits::Prompt, 5}}},
    {&AppState::WaitSendPrompt1, &AppState::WaitSendPrompt2, &AppState::WaitSendPrompt3,
     &AppState::WaitSendPrompt4, &AppState::WaitSendPrompt5},
    QLatin1String("AT+CMGS="),
    &AppState::SendActive,
};

const QString &pduOf(const AppState &s, int part)
{
    static constexpr std::array<QString AppState::*, 5> pdus = {
        &AppState::Pdu1, &AppState::Pdu2, &AppState::Pdu3, &AppState::Pdu4, &AppState::Pdu5};
    return s.*pdus[part - 1];
}

const QString &userDataOf(const AppState &s, int part)
{
    static constexpr std::array<QString AppState::*, 5> uds = {
        &AppState::UserData1, &AppState::UserData2, &AppState::UserData3, &AppState::UserData4,
        &AppState::UserData5};
    return s.*uds[part - 1];
}

int lengthOf(const AppState &s, int part)
{
    static constexpr std::array<int AppState::*, 5> lengths = {
        &AppState::PduLength1, &AppState::PduLength2, &AppState::PduLength3,
        &AppState::PduLength4, &AppState::PduLength5};
    return s.*lengths[part - 1];
}

bool endsWithOk(const QString &b)
{
    // "OK" followed by two more characters (CR LF), as the dispatcher tests it.
    return b.size() >= 4 && b.mid(b.size() - 4, 2) == QLatin1String("OK");
}

bool endsWithPrompt(const QString &b)
{
    return b.endsWith(QLatin1String("> "));
}

void endChain(AppState &s, const Chain &chain)
{
    s.*chain.active = false;
    if (&chain == &kSendChain)
        s.WaitSentOk = true;   // the dispatcher completes the send on the last part's OK
}

// One step of a running chain: the first raised flag is lowered and acted on. A PDU goes
// out only after the prompt and the next part is announced only after the OK: an event
// that brings nothing new (the buffer still ending in the previous reply) must not push
// a PDU to a phone that has not asked for it (TS 27.005 §3.5.1).
bool chainStep(AppState &s, const Chain &chain, const QString &buffer, PhonePort &port)
{
    if (!(s.*chain.active))
        return false;
    for (const Step &step : chain.steps) {
        if (!(s.*step.flag))
            continue;
        const bool matches = step.awaits == Awaits::Prompt ? endsWithPrompt(buffer)
                                                           : endsWithOk(buffer);
        if (!matches)
            return false;
        s.*step.flag = false;
        if (step.awaits == Awaits::Prompt) {
            port.Output(pduOf(s, step.part) + kCtrlZ);
            if (step.part < 5)
                s.*chain.steps[2 * step.part - 1].flag = true;   // OK of this part
            else
                endChain(s, chain);
        } else {
            const int next = step.part + 1;
            if (!userDataOf(s, next).isEmpty()) {
                port.Output(QString(chain.command) + QString::number(lengthOf(s, next)) + kCr);
                s.*chain.prompts[next - 1] = true;
            } else {
                endChain(s, chain);
            }
        }
        return true;
    }
    return false;
}

} // namespace

SendStepResult SendStep(AppState &state, const QString &buffer, PhonePort &port)
{
    SendStepResult result;
    if (state.WaitServiceCentre) {
        state.WaitServiceCentre = false;
        if (auto number = Compose::ParseServiceCentreReply(buffer)) {
            state.ServiceCentre = *number;
            result.serviceCentre = *number;
        }
    }
    if (!chainStep(state, kStoreChain, buffer, port))
        chainStep(state, kSendChain, buffer, port);
    return result;
}

} // namespace Module1
