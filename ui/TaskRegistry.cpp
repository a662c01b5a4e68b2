#include "ui/TaskRegistry.h"

#include <QHash>

namespace {
QHash<QString, TOpenWindowFn>& Registry() {
    static QHash<QString, TOpenWindowFn> map;
    return map;
}
} // namespace

void RegisterTaskWindow(const QString& actionName, TOpenWindowFn open) {
    Registry().insert(actionName, std::move(open));
}

TOpenWindowFn TaskWindowFor(const QString& actionName) {
    return Registry().value(actionName);
}
