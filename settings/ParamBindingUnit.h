#pragma once
// The binding between a settings window's controls and one parameter group of
// the board: the stored value list, the control kinds with their conversions,
// the search for a parameter's control, listing lines and apply. One
// implementation serves every window; what differs between windows is the
// TBindingConfig it is given.
//
// The binding rests on control object names: a control bears its parameter's
// exact name (compared without regard to ASCII case). Values stay 8-bit text
// (Latin-1 at the widget border).

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>

class QWidget;

// True when the two names are equal ignoring the case of ASCII letters.
bool SameNameNoCase(const QByteArray& a, const QByteArray& b);

// Ordered name/value pairs: what the board last listed or the window last
// wrote. Names are unique ignoring ASCII case; a new name goes to the end, a
// known one keeps its place; an empty value removes the pair.
class TStoredValues {
public:
    void Set(const QByteArray& name, const QByteArray& value);
    int IndexOf(const QByteArray& name) const;
    bool Contains(const QByteArray& name) const { return IndexOf(name) >= 0; }
    // The stored value, or empty text when the name is not stored.
    QByteArray Value(const QByteArray& name) const;
    int Count() const { return static_cast<int>(m_items.size()); }
    const QByteArray& NameAt(int i) const { return m_items[i].first; }
    const QByteArray& ValueAt(int i) const { return m_items[i].second; }
    void Clear() { m_items.clear(); }

private:
    QList<QPair<QByteArray, QByteArray>> m_items;
};

// What a control holds for the binding, decided by its exact class.
enum class TParamKind { None, Edit, Choice, Spin, Flag, SignFlag };

// The kinds a window handles (bit mask).
enum TKindMask : unsigned {
    KindEdit = 1,
    KindChoice = 2,
    KindSpin = 4,
    KindFlag = 8,
    KindSignFlag = 16, // check boxes with a non-zero "Tag" property are sign flags
    AllKinds = KindEdit | KindChoice | KindSpin | KindFlag | KindSignFlag,
};

// The points in which the settings windows differ.
struct TBindingConfig {
    QByteArray ListCommand;       // e.g. "cat stab\r\n"
    QByteArray ResetCommand;      // e.g. "reset osd\r\n"; empty when the window has none
    QList<QByteArray> Containers; // object names searched for controls, in this order (windows:
                                  // from their form builder)
    unsigned Kinds = AllKinds;
    bool PositionPairs = false; // names containing "_xy" are x,y pairs of two spins
};

// Text that can go into a command line: 8-bit, without control characters
// (a line end inside a value would start a second command on the board).
bool SendableText(const QString& text);

// Object name of the dynamic property that marks a check box as a sign flag.
constexpr const char* TagProperty = "Tag";

// The direct child widget of `container` named `name` ignoring ASCII case,
// or nullptr (QObject::findChild compares case-sensitively and recursively).
QWidget* FindChildNoCase(const QWidget* container, const QByteArray& name);

class TParamBinding {
public:
    // `form` is the window content in which the containers are looked up (by
    // their exact object names); it must already hold them.
    TParamBinding(QWidget* form, TBindingConfig config);

    const TBindingConfig& Config() const { return m_config; }
    const TStoredValues& Stored() const { return m_stored; }

    TParamKind KindOf(const QWidget* control) const;
    // The first container, in order, with a direct child of that name.
    QWidget* FindParamControl(const QByteArray& name) const;
    // Fills a control from value text; a control of no kind is not touched.
    // Throws EConvertError when a choice or spin gets a non-integer.
    void WriteControlValue(QWidget* control, const QByteArray& value) const;
    // The control's value as text; empty for a control of no kind.
    QByteArray ReadControlValue(const QWidget* control) const;

    // Fills the parameter's control and stores the value; nothing when the
    // window has no control of that name.
    void SetParamValue(const QByteArray& name, const QByteArray& value);

    // Listing: a fresh, empty stored list, then one call per response line.
    void BeginListing() { m_stored.Clear(); }
    void ListingLine(const QByteArray& line);

    // Every changed value as its "set" command line, in stored-list order,
    // without sending or storing anything. Returns false and an operator
    // message when a control holds text that cannot go to the board.
    struct TChange {
        QByteArray Name;
        QByteArray Value;   // as stored afterwards
        QByteArray Command; // the whole line with "\r\n"
    };
    bool ChangedValues(QList<TChange>& changes, QString& error) const;
    // Hands every changed value's command line to `send` and, when it
    // reports them taken, stores the values. Returns false (nothing sent)
    // with `error` set when some control's text cannot be sent, and false
    // with `error` empty when `send` failed (it told the operator); the
    // stored values then stay, so the next apply sends the lines again.
    using TSender = std::function<bool(const QByteArrayList& lines)>;
    bool ApplyChangedValues(QString& error, const TSender& send);

private:
    bool PairControls(const QByteArray& name, QWidget*& x, QWidget*& y) const;
    void SetPairValue(const QByteArray& name, const QByteArray& value);

    TBindingConfig m_config;
    QList<QWidget*> m_containers;
    TStoredValues m_stored;
};
