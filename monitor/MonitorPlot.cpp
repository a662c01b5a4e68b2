#include "monitor/MonitorPlot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Distinct colours that read on a white background.
const QColor LineColors[] = {QColor(200, 30, 30), QColor(20, 130, 20),  QColor(30, 60, 200),
                             QColor(200, 120, 0), QColor(140, 30, 160), QColor(0, 140, 150),
                             QColor(120, 90, 40), QColor(90, 90, 90)};

QColor LineColor(int line) {
    return LineColors[line % (sizeof(LineColors) / sizeof(LineColors[0]))];
}

// A tick step of 1, 2 or 5 times a power of ten giving about `count` steps.
double NiceStep(double range, int count) {
    const double raw = range / count;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    const double m = raw / p;
    return (m < 1.5 ? 1 : m < 3.5 ? 2 : m < 7.5 ? 5 : 10) * p;
}
} // namespace

TMonitorPlot::TMonitorPlot(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(false);
}

TPlotScale PlotScale(double lo, double hi) {
    if (!(lo <= hi)) {
        lo = -1;
        hi = 1;
    } else if (hi - lo < 1e-12 * std::max(1.0, std::abs(hi))) {
        // A constant: one grid step above and below, a round one.
        const double pad =
            std::pow(10.0, std::floor(std::log10(std::max(std::abs(hi) * 0.01, 1e-3))));
        lo -= pad;
        hi += pad;
    }
    const double step = NiceStep(hi - lo, 2);
    return {std::floor(lo / step + 1e-9) * step, std::ceil(hi / step - 1e-9) * step, step,
            std::clamp(int(-std::floor(std::log10(step) + 1e-9)), 0, 9)};
}

void TMonitorPlot::AddSample(qint64 ms, const QVector<double>& values, const QByteArrayList& keys) {
    // Numbers beyond any sensor's range are left out (a gap), so that the
    // scale arithmetic stays finite; the list still shows them.
    QVector<double> kept = values;
    for (double& v : kept)
        if (!(std::abs(v) <= MaxValue))
            v = std::numeric_limits<double>::quiet_NaN();
    m_samples.push_back({ms, std::move(kept)});
    if (values.size() > m_lineCount)
        m_lineCount = values.size();
    if (!keys.isEmpty())
        m_keys = keys;
    while (m_samples.front().Ms < ms - SpanMs)
        m_samples.pop_front();
    update();
}

void TMonitorPlot::Clear() {
    m_samples.clear();
    m_keys.clear();
    m_lineCount = 0;
    update();
}

QVector<double> TMonitorPlot::Line(int line) const {
    QVector<double> out;
    out.reserve(SampleCount());
    for (const TSample& s : m_samples)
        out.append(line < s.Values.size() ? s.Values[line]
                                          : std::numeric_limits<double>::quiet_NaN());
    return out;
}

QString TMonitorPlot::Legend(int line) const {
    const QByteArray key = m_keys.value(line);
    return key.isEmpty() ? QString::number(line + 1) : QString::fromLatin1(key);
}

qint64 TMonitorPlot::ShownSpanMs() const {
    const qint64 age = m_samples.empty() ? 0 : m_samples.back().Ms - m_samples.front().Ms;
    for (qint64 span : {10000, 20000, 50000, 100000})
        if (age <= span)
            return span;
    return SpanMs;
}

void TMonitorPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QFontMetrics fm(font());
    const int lines = std::max(m_lineCount, 1);
    const qint64 span = ShownSpanMs();
    const qint64 now = m_samples.empty() ? 0 : m_samples.back().Ms;
    const qint64 start = now - span;

    // Each number gets a strip of its own with its own scale: a pressure in
    // pascals and a temperature in degrees both show their changes.
    // Scale labels only where they fit: every grid line when they are far
    // enough apart, the two ends when the strip is tall enough, else only
    // the legend with the newest value.
    enum TLabels { None, Ends, All };
    struct TStrip {
        double lo, hi, step;
        int decimals;
        TLabels labels;
    };
    QVector<TStrip> strips(lines);
    const int plotHeight = height() - 4 - fm.height() - 6;
    const double innerHeight = double(plotHeight) / lines - 4 - 2 * 3;
    int labelWidth = fm.horizontalAdvance(QStringLiteral("-000"));
    for (int line = 0; line < lines; ++line) {
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (const TSample& s : m_samples)
            if (const auto& v = s.Values; line < v.size() && std::isfinite(v[line])) {
                lo = std::min(lo, v[line]);
                hi = std::max(hi, v[line]);
            }
        const TPlotScale scale = PlotScale(lo, hi);
        lo = scale.Lo;
        hi = scale.Hi;
        const double step = scale.Step;
        const int decimals = scale.Decimals;
        const double gaps = std::max(1.0, std::round((hi - lo) / step));
        const TLabels labels = innerHeight / gaps >= fm.height() + 1 ? All
                               : innerHeight >= 2 * fm.height() + 2  ? Ends
                                                                     : None;
        strips[line] = {lo, hi, step, decimals, labels};
        if (labels != None)
            for (double v : {lo, hi})
                labelWidth =
                    std::max(labelWidth, fm.horizontalAdvance(QString::number(v, 'f', decimals)));
    }

    const int left = labelWidth + 10;
    const int right = fm.horizontalAdvance(QStringLiteral("0 с")) / 2 + 8;
    const QRect all = rect().adjusted(left, 4, -right, -fm.height() - 6);
    if (all.width() < 20 || all.height() < 12 * lines)
        return;
    auto mapX = [&](qint64 t) {
        return all.left() + double(t - start) * all.width() / double(span);
    };

    // Time grid and labels (seconds before the newest sample) under all strips.
    const int seconds = int(span / 1000);
    const int tick = seconds / 5;
    for (int s = 0; s <= seconds; s += tick) {
        const int x = qRound(mapX(now - s * 1000));
        p.setPen(QColor(230, 230, 230));
        p.drawLine(x, all.top(), x, all.bottom());
        p.setPen(Qt::darkGray);
        const QString label = s == 0 ? QStringLiteral("0 с") : QString::number(-s);
        p.drawText(QRect(x - 40, all.bottom() + 3, 80, fm.height()), Qt::AlignHCenter, label);
    }

    const double stripHeight = double(all.height()) / lines;
    for (int line = 0; line < lines; ++line) {
        const TStrip& st = strips[line];
        const QRect area(all.left(), qRound(all.top() + line * stripHeight), all.width(),
                         qRound(stripHeight) - (line + 1 < lines ? 4 : 0));
        const double inner = area.height() - 2 * 3; // keep the line off the frame
        auto mapY = [&](double v) {
            return area.bottom() - 3 - (v - st.lo) * inner / (st.hi - st.lo);
        };
        for (double v = st.lo; v <= st.hi + st.step / 2; v += st.step) {
            const int y = qRound(mapY(v));
            p.setPen(QColor(230, 230, 230));
            p.drawLine(area.left(), y, area.right(), y);
            const bool end = v < st.lo + st.step / 2 || v > st.hi - st.step / 2;
            if (st.labels == All || (st.labels == Ends && end)) {
                p.setPen(Qt::darkGray);
                // Kept inside the strip, next to its own line.
                const int top =
                    std::clamp(y - fm.height() / 2, area.top(), area.bottom() + 1 - fm.height());
                p.drawText(QRect(0, top, left - 5, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                           QString::number(std::abs(v) < st.step / 2 ? 0.0 : v, 'f', st.decimals));
            }
        }
        p.setPen(Qt::gray);
        p.drawRect(area);
        if (line >= m_lineCount)
            continue;

        // The line itself, broken where a payload lacked this number.
        p.save();
        p.setClipRect(area.adjusted(1, 1, 0, 0));
        p.setPen(QPen(LineColor(line), 0));
        QPolygonF run;
        auto flush = [&] {
            if (run.size() == 1)
                p.drawPoint(run.first());
            else if (run.size() > 1)
                p.drawPolyline(run);
            run.clear();
        };
        double last = std::numeric_limits<double>::quiet_NaN();
        for (const TSample& s : m_samples) {
            const auto& v = s.Values;
            if (line < v.size() && std::isfinite(v[line])) {
                run.append(QPointF(mapX(s.Ms), mapY(v[line])));
                last = v[line];
            } else {
                flush();
                last = std::numeric_limits<double>::quiet_NaN();
            }
        }
        flush();

        // Name and newest value in the strip's top left corner.
        const QString text = std::isfinite(last) ? Legend(line) + QStringLiteral(": ") +
                                                       QString::number(last, 'g', 10)
                                                 : Legend(line);
        const QRect box(area.left() + 4, area.top() + 2, fm.horizontalAdvance(text) + 8,
                        fm.height());
        p.fillRect(box, QColor(255, 255, 255, 210));
        p.setPen(LineColor(line));
        p.drawText(box.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
        p.restore();
    }
}
