// SPDX-License-Identifier: GPL-3.0-or-later
// One step of the store (AT+CMGW) and send (AT+CMGS) chains, and the service-centre reply.
#pragma once

#include <QString>

#include <optional>

struct AppState;
class PhonePort;

namespace Module1 {

/// What a step found that the window has to show.
struct SendStepResult
{
    /// The service-centre number read from a +CSCA reply, when one was awaited and found.
    std::optional<QString> serviceCentre;
};

/// Called by the reply dispatcher with the receive buffer whenever it ends in "OK" CR LF or
/// in the prompt "> ". Handles an awaited service-centre reply first, then one step of the
/// store chain, or else one step of the send chain, writing the next line to `port`.
SendStepResult SendStep(AppState &state, const QString &buffer, PhonePort &port);

} // namespace Module1
