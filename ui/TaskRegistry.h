#pragma once
// Which task window each main-window action opens. Every window layer
// registers its windows once at start-up (its RegisterXxxWindows, declared
// by the program that calls it); the main
// window looks an action up when it is executed. An action with no entry yet
// stays in the menus and does nothing.

#include <QString>
#include <functional>

using TOpenWindowFn = std::function<void()>;

void RegisterTaskWindow(const QString& actionName, TOpenWindowFn open);
// The opener registered for an action, or an empty function.
TOpenWindowFn TaskWindowFor(const QString& actionName);
