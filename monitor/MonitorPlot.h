#pragma once
// The numbers of a telemetry stream over time: one line per number position
// of the payload, each in a strip with its own scale, the last 200 seconds,
// drawn with QPainter. Plain samples and one polyline per line keep a
// 10 Hz update cheap (a few thousand points per repaint, no scene graph, no
// per-point objects).

#include <QByteArrayList>
#include <QVector>
#include <QWidget>
#include <deque>

// The axis of one strip: the data's range [lo, hi] (lo > hi when there is
// no data: -1 to 1) widened to whole grid steps, about two of them, a
// constant padded by a round step above and below; and the decimals its
// labels need.
struct TPlotScale {
    double Lo, Hi, Step;
    int Decimals;
};
TPlotScale PlotScale(double lo, double hi);

class TMonitorPlot : public QWidget {
public:
    explicit TMonitorPlot(QWidget* parent = nullptr);

    // One sample at time `ms` (monotonic, milliseconds): the numbers by their
    // position in the payload, with the payload's keys for the legend.
    // Samples older than the span before the newest one are dropped.
    void AddSample(qint64 ms, const QVector<double>& values, const QByteArrayList& keys = {});
    void Clear();

    // Span of time shown, in milliseconds (200 s).
    static constexpr qint64 SpanMs = 200000;
    // Largest magnitude plotted.
    static constexpr double MaxValue = 1e15;

    // For the tests: the number of samples held, the values of line `line`
    // in time order (NaN where a payload had fewer numbers), its legend text.
    int SampleCount() const { return int(m_samples.size()); }
    QVector<double> Line(int line) const;
    int LineCount() const { return m_lineCount; }
    QString Legend(int line) const;
    // Span of the time axis: 10, 20, 50, 100 or 200 s, the first that holds
    // every sample, so that a fresh stream is not squeezed into a corner.
    qint64 ShownSpanMs() const;

    QSize sizeHint() const override { return QSize(400, 160); }
    QSize minimumSizeHint() const override { return QSize(160, 80); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    struct TSample {
        qint64 Ms;
        QVector<double> Values; // by position
    };
    // Taken from the front as they age: a deque reuses its blocks, so a full
    // span holds its memory steady (a vector would be moved and enlarged).
    std::deque<TSample> m_samples;
    QByteArrayList m_keys;
    int m_lineCount = 0;
};
