#include "monitor/MonitorPlot.h"

#include <QPainter>
#include <QPainterPath>
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

void TMonitorPlot::AddSample(qint64 ms, const QVector<double>& values, const QByteArrayList& keys) {
    m_times.append(ms);
    m_values.append(values);
    if (values.size() > m_lineCount)
        m_lineCount = values.size();
    if (!keys.isEmpty())
        m_keys = keys;
    int drop = 0;
    while (drop < m_times.size() && m_times[drop] < ms - SpanMs)
        ++drop;
    if (drop > 0) {
        m_times.remove(0, drop);
        m_values.remove(0, drop);
    }
    update();
}

void TMonitorPlot::Clear() {
    m_times.clear();
    m_values.clear();
    m_keys.clear();
    m_lineCount = 0;
    update();
}

QVector<double> TMonitorPlot::Line(int line) const {
    QVector<double> out;
    out.reserve(m_values.size());
    for (const auto& v : m_values)
        out.append(line < v.size() ? v[line] : std::numeric_limits<double>::quiet_NaN());
    return out;
}

QString TMonitorPlot::Legend(int line) const {
    const QByteArray key = m_keys.value(line);
    return key.isEmpty() ? QString::number(line + 1) : QString::fromLatin1(key);
}

void TMonitorPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QFontMetrics fm(font());
    const int left = fm.horizontalAdvance(QStringLiteral("-0000.00")) + 8;
    const QRect area = rect().adjusted(left, 6, -8, -fm.height() - 6);
    if (area.width() < 20 || area.height() < 20)
        return;

    const qint64 now = m_times.isEmpty() ? 0 : m_times.last();
    const qint64 start = now - SpanMs;
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (const auto& v : m_values)
        for (double x : v)
            if (std::isfinite(x)) {
                lo = std::min(lo, x);
                hi = std::max(hi, x);
            }
    if (!(lo <= hi)) {
        lo = -1;
        hi = 1;
    }
    if (hi - lo < 1e-9) {
        const double pad = std::max(std::abs(hi) * 0.1, 1.0);
        lo -= pad;
        hi += pad;
    } else {
        const double pad = (hi - lo) * 0.05;
        lo -= pad;
        hi += pad;
    }
    auto mapX = [&](qint64 t) {
        return area.left() + double(t - start) * area.width() / double(SpanMs);
    };
    auto mapY = [&](double v) { return area.bottom() - (v - lo) * area.height() / (hi - lo); };

    // Grid and labels: values on the left, seconds before now below.
    p.setPen(QColor(225, 225, 225));
    const double step = NiceStep(hi - lo, 5);
    const int decimals = std::max(0, int(-std::floor(std::log10(step))));
    for (double v = std::ceil(lo / step) * step; v <= hi; v += step) {
        const int y = qRound(mapY(v));
        p.setPen(QColor(225, 225, 225));
        p.drawLine(area.left(), y, area.right(), y);
        p.setPen(Qt::darkGray);
        p.drawText(QRect(0, y - fm.height() / 2, left - 4, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(std::abs(v) < step / 2 ? 0.0 : v, 'f', decimals));
    }
    for (int s = 0; s <= 200; s += 25) {
        const int x = qRound(mapX(now - s * 1000));
        p.setPen(QColor(225, 225, 225));
        p.drawLine(x, area.top(), x, area.bottom());
        p.setPen(Qt::darkGray);
        const QString label = s == 0 ? QStringLiteral("0 с") : QString::number(-s);
        p.drawText(QRect(x - 30, area.bottom() + 2, 60, fm.height()), Qt::AlignHCenter, label);
    }
    p.setPen(Qt::gray);
    p.drawRect(area);

    // One polyline per number position, broken where a payload lacked it.
    p.setClipRect(area.adjusted(1, 1, 0, 0));
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int line = 0; line < m_lineCount; ++line) {
        p.setPen(QPen(LineColor(line), 1.5));
        QPolygonF run;
        auto flush = [&] {
            if (run.size() == 1)
                p.drawPoint(run.first());
            else if (run.size() > 1)
                p.drawPolyline(run);
            run.clear();
        };
        for (int i = 0; i < m_times.size(); ++i) {
            const auto& v = m_values[i];
            if (line < v.size() && std::isfinite(v[line]))
                run.append(QPointF(mapX(m_times[i]), mapY(v[line])));
            else
                flush();
        }
        flush();
    }
    p.setClipping(false);

    // Legend in the top left corner of the plot area.
    int x = area.left() + 6;
    for (int line = 0; line < m_lineCount; ++line) {
        const QString text = Legend(line);
        p.fillRect(QRect(x, area.top() + 6 + fm.height() / 2 - 1, 14, 3), LineColor(line));
        p.setPen(Qt::black);
        p.drawText(x + 18, area.top() + 4 + fm.ascent(), text);
        x += 18 + fm.horizontalAdvance(text) + 12;
    }
}
