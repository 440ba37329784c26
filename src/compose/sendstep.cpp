// SPDX-License-Identifier: GPL-3.0-or-later
#include "compose/sendstep.h"

#include "app/appstate.h"
#include "app/phoneport.h"

namespace Module1 {

SendStepResult SendStep(AppState &, const QString &, PhonePort &)
{
    return {};
}

} // namespace Module1
