#include "link/SafeListsUnit.h"

QByteArray TSafeStringList::Text() const {
    QByteArray out;
    for (const QByteArray& line : *this) {
        out += line;
        out += "\r\n";
    }
    return out;
}
