// SPDX-License-Identifier: MIT
#pragma once

#include <exception>
#include <utility>

// Runs what the user asked a view to do (a navigator button, a cell written, a memo opened for
// editing). An error goes to `report` when the view has a listener for its actionFailed signal,
// so that it never unwinds through Qt's own frames; without one it propagates to the caller.
template <class Action, class Report>
bool runViewAction(bool hasListener, Action &&action, Report &&report)
{
    if (!hasListener) {
        std::forward<Action>(action)();
        return true;
    }
    try {
        std::forward<Action>(action)();
        return true;
    } catch (...) {
        std::forward<Report>(report)(std::current_exception());
        return false;
    }
}
