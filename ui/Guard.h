#pragma once
// Runs one event handler so that no C++ exception crosses Qt's event loop: whatever it
// throws is shown in the standard error box and the program goes on.
#include "ui/Prompter.h"

#include <exception>
#include <utility>

template <typename Handler>
void RunGuarded(Prompter& prompter, Handler&& handler)
{
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& e) {
        prompter.ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        prompter.ShowError(QString());
    }
}
