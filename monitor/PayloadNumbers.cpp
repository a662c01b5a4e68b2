#include "monitor/PayloadNumbers.h"

#include "link/Proc.h"

#include <cmath>

namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsWordChar(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// Length of the number starting at `from` (0 when none starts there).
int NumberLength(const QByteArray& s, int from) {
    int i = from;
    const int n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-'))
        ++i;
    int digits = 0;
    while (i < n && IsDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < n && s[i] == '.') {
        int j = i + 1, fraction = 0;
        while (j < n && IsDigit(s[j])) {
            ++j;
            ++fraction;
        }
        if (digits + fraction > 0) {
            i = j;
            digits += fraction;
        }
    }
    if (digits == 0)
        return 0;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        int j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-'))
            ++j;
        int exponent = 0;
        while (j < n && IsDigit(s[j])) {
            ++j;
            ++exponent;
        }
        if (exponent > 0)
            i = j;
    }
    return i - from;
}

// The identifier right before a "=" that stands right before `pos`.
QByteArray KeyBefore(const QByteArray& s, int pos) {
    if (pos == 0 || s[pos - 1] != '=')
        return QByteArray();
    int start = pos - 1;
    while (start > 0 && IsWordChar(s[start - 1]))
        --start;
    return s.mid(start, pos - 1 - start);
}
} // namespace

QVector<TPayloadNumber> PayloadNumbers(const QByteArray& payload) {
    QVector<TPayloadNumber> out;
    int i = 0;
    const int n = payload.size();
    while (i < n) {
        const char prev = i > 0 ? payload[i - 1] : ' ';
        const int len = (IsWordChar(prev) || prev == '.') ? 0 : NumberLength(payload, i);
        if (len == 0) {
            ++i;
            continue;
        }
        TPayloadNumber number;
        number.Key = KeyBefore(payload, i);
        bool ok = false;
        number.Value = payload.mid(i, len).toDouble(&ok); // C locale, always a point
        if (ok && std::isfinite(number.Value))
            out.append(number);
        i += len;
    }
    return out;
}

bool ReadDecimal(const QByteArray& token, double& value) {
    if (token.isEmpty() || NumberLength(token, 0) != token.size())
        return false;
    bool ok = false;
    const double v = token.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool ParseEkfAttitude(const QByteArray& payload, double& roll, double& pitch, double& yaw) {
    const QByteArrayList tokens = Trim(payload).split(' ');
    if (tokens.size() < 4)
        return false;
    double r, p, y;
    if (!ReadDecimal(QByteArray(tokens[1]).replace("r=", ""), r) ||
        !ReadDecimal(QByteArray(tokens[2]).replace("p=", ""), p) ||
        !ReadDecimal(QByteArray(tokens[3]).replace("y=", ""), y))
        return false;
    roll = r;
    pitch = p;
    yaw = y;
    return true;
}
