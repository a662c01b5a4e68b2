#include "settings/PpmBarsUnit.h"

#include "link/Proc.h"

#include <QPainter>

bool ParsePpmValues(const QByteArray& payload, QList<int>& values) {
    values.clear();
    QByteArray text = payload;
    text.replace(',', ' ');
    for (const QByteArray& token : text.simplified().split(' ')) {
        int v = 0;
        if (!TryStrToInt(token, v))
            return false;
        if (values.size() < MaxPpmChannels)
            values << v;
    }
    return !values.isEmpty();
}

TPpmBars::TPpmBars(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TPpmBars::SetValues(const QList<int>& values) {
    if (values.size() != m_values.size()) {
        m_values = values;
        updateGeometry();
    } else {
        m_values = values;
    }
    update();
}

int TPpmBars::Position(int us, int width) {
    const int clamped = qBound(LowUs, us, HighUs);
    return static_cast<int>(qint64(clamped - LowUs) * width / (HighUs - LowUs));
}

int TPpmBars::LineHeight() const {
    return fontMetrics().height() + 4;
}

QSize TPpmBars::sizeHint() const {
    // A scale line, then one line per channel.
    return {420, LineHeight() * (int(m_values.size()) + 1) + 4};
}

QSize TPpmBars::minimumSizeHint() const {
    return {200, sizeHint().height()};
}

void TPpmBars::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm = fontMetrics();
    const int line = LineHeight();
    const int labelW = fm.horizontalAdvance("24") + 8;
    const int valueW = fm.horizontalAdvance("00000") + 8;
    const int x0 = labelW;
    const int barW = qMax(20, width() - labelW - valueW);
    const int neutralX = x0 + Position(NeutralUs, barW);
    const QColor frame = palette().color(QPalette::Mid);

    // Scale: the two ends and the neutral.
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(x0, 0, barW, line), Qt::AlignLeft | Qt::AlignVCenter, QString::number(LowUs));
    p.drawText(QRect(x0, 0, barW, line), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(HighUs));
    p.drawText(QRect(neutralX - 40, 0, 80, line), Qt::AlignCenter, QString::number(NeutralUs));

    for (int i = 0; i < m_values.size(); ++i) {
        const int y = line * (i + 1) + 2;
        const QRect bar(x0, y + 2, barW, line - 6);
        const int v = m_values[i];
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(0, y, labelW - 6, line - 2), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(i + 1));
        p.fillRect(bar, palette().color(QPalette::Base));
        // Out-of-range widths show as a full or empty bar in another colour.
        const bool outside = v < LowUs || v > HighUs;
        const QRect filled(bar.left(), bar.top(), Position(v, barW), bar.height());
        p.fillRect(filled, outside ? QColor(200, 90, 60) : QColor(70, 130, 200));
        p.setPen(frame);
        p.drawRect(bar.adjusted(0, 0, -1, -1));
        p.setPen(QPen(QColor(40, 40, 40), 1, Qt::DashLine));
        p.drawLine(neutralX, bar.top() - 1, neutralX, bar.bottom() + 1);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(x0 + barW + 6, y, valueW, line - 2), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::number(v));
    }
}
