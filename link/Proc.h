#pragma once
// Small text helpers shared by every layer: trimming, ASCII lower-case, the
// listing-line splitter, the listed rows as the "set" lines that write them,
// and the strict integer conversion.

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QPair>
#include <QString>
#include <stdexcept>

// Conversion error with the toolkit's message text; caught once by the
// application and shown in a message box.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const QString& message);
    QString Message() const { return m_message; }

private:
    QString m_message;
};

// Removes leading and trailing characters with codes 0 to 32.
QByteArray Trim(const QByteArray& s);
QString Trim(const QString& s);

// Lower-cases ASCII A-Z only; every other byte stays as it is.
QByteArray LowerAscii(const QByteArray& s);

// Splits a listing line at its first "=" into a lower-cased, trimmed name and
// value. Without "=", the value is the whole line and the name stays empty.
// Returns true exactly when the name is not empty.
bool SplitParamLine(const QByteArray& line, QByteArray& name, QByteArray& value);

// Whole decimal number with an optional sign, nothing else; throws
// EConvertError("'<text>' is not a valid integer value") otherwise.
int StrToInt(const QString& text);
// Same rule without the exception.
bool TryStrToInt(const QByteArray& text, int& out);

// The program's version as four numbers joined by the format, e.g. "%d.%d.%d.%d".
QString GetFileVersionText(const QString& programFile, const QString& format);

// A listed row as the "set" lines that would write it back, each as the key
// (kind and numbers that say which row or cell) and the values: the
// listing's "N: a b c d e" of "cat control in" is "ch_in N" = "a b c d e".
// `command` is the lower-cased, trimmed listing command.
QList<QPair<QByteArray, QByteArray>> ListedRow(const QByteArray& command, QByteArray line);
// True for the kinds of "set" line that write a row or a cell: "ch_in",
// "ch_out", "mix", "wp".
bool IsRowKind(const QByteArray& what);
// A "set" line's words of a row or cell as its key and values
// ("set mix 2 4 -50" -> "mix 2 4", "-50").
QPair<QByteArray, QByteArray> SetRowKey(const QByteArrayList& words);
