#include "link/Proc.h"

#include "VantorVersion.h"

#include <limits>

EConvertError::EConvertError(const QString& message)
    : std::runtime_error(message.toStdString()), m_message(message) {}

static bool IsBlank(unsigned char c) {
    return c <= 32;
}

QByteArray Trim(const QByteArray& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && IsBlank(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.mid(b, e - b);
}

QString Trim(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

QByteArray LowerAscii(const QByteArray& s) {
    QByteArray r = s;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return r;
}

bool SplitParamLine(const QByteArray& line, QByteArray& name, QByteArray& value) {
    name.clear();
    value.clear();
    QByteArray rest = line;
    const qsizetype eq = line.indexOf('=');
    if (eq >= 0) {
        name = Trim(LowerAscii(line.left(eq)));
        rest = line.mid(eq + 1);
    }
    value = Trim(LowerAscii(rest));
    return !name.isEmpty();
}

bool TryStrToInt(const QByteArray& text, int& out) {
    if (text.isEmpty())
        return false;
    qsizetype i = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i >= text.size())
        return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
        if (v > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return false;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
        return false;
    out = static_cast<int>(v);
    return true;
}

int StrToInt(const QString& text) {
    int v = 0;
    if (!TryStrToInt(text.toLatin1(), v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

QString GetFileVersionText(const QString& programFile, const QString& format) {
    // No version resource on this platform: the numbers are baked in at build time.
    Q_UNUSED(programFile);
    QString out = format;
    const int parts[4] = {VANTOR_VERSION_MAJOR, VANTOR_VERSION_MINOR, VANTOR_VERSION_PATCH,
                          VANTOR_VERSION_TWEAK};
    for (int p : parts) {
        const qsizetype at = out.indexOf(QLatin1String("%d"));
        if (at < 0)
            break;
        out.replace(at, 2, QString::number(p));
    }
    return out;
}

QList<QPair<QByteArray, QByteArray>> ListedRow(const QByteArray& command, QByteArray line) {
    QList<QPair<QByteArray, QByteArray>> out;
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || line.contains('='))
        return out;
    const QByteArray index = Trim(line.left(colon));
    int n = 0;
    if (!TryStrToInt(index, n))
        return out; // a heading ("Waypoints: 3", "N: latitude, ...")
    const QByteArray values = line.mid(colon + 1).replace(',', ' ').replace('\t', ' ').simplified();
    const QByteArray what = command.simplified();
    if (what == "cat control in" || what == "cat control out")
        out << qMakePair((what.endsWith("in") ? "ch_in " : "ch_out ") + index, values);
    else if (what == "cat wp")
        out << qMakePair("wp " + index, values);
    else if (what == "cat control mixers") {
        const QByteArrayList cells = values.split(' ');
        for (int k = 0; k < cells.size(); ++k)
            out << qMakePair("mix " + index + " " + QByteArray::number(k + 1), cells[k]);
    }
    return out;
}

bool IsRowKind(const QByteArray& what) {
    return what == "ch_in" || what == "ch_out" || what == "mix" || what == "wp";
}

QPair<QByteArray, QByteArray> SetRowKey(const QByteArrayList& words) {
    const int keyWords = words.value(1) == "mix" ? 4 : 3; // "set mix N K v", "set ch_in N ..."
    return qMakePair(words.mid(1, keyWords - 1).join(' '), words.mid(keyWords).join(' '));
}
