#pragma once
// The receiver's channel values as horizontal bars, one line per channel:
// the channel number, a bar over 900..2100 µs with the neutral (1500 µs)
// marked, and the value. Fed by the PPM monitor with each new payload.

#include <QByteArray>
#include <QList>
#include <QWidget>

// The payload as a list of pulse widths: blank-separated whole numbers
// (commas between them are accepted too). False when it is anything else or
// empty; at most MaxPpmChannels values are taken.
bool ParsePpmValues(const QByteArray& payload, QList<int>& values);
constexpr int MaxPpmChannels = 32;

class TPpmBars : public QWidget {
    Q_OBJECT
public:
    static constexpr int LowUs = 900;
    static constexpr int NeutralUs = 1500;
    static constexpr int HighUs = 2100;

    explicit TPpmBars(QWidget* parent = nullptr);

    void SetValues(const QList<int>& values);
    const QList<int>& Values() const { return m_values; }

    // Where a width falls on a bar of `width` pixels (clamped to the bar).
    static int Position(int us, int width);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int LineHeight() const;
    QList<int> m_values;
};
