// Small tool bar pictures drawn in code, in a 24 x 24 unit box, so the
// program needs no image files for them and they stay sharp at any size.

#include "app/MainActions.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
const QColor Ink(40, 48, 60);
const QColor Blue(38, 110, 190);
const QColor Green(40, 150, 70);
const QColor Orange(220, 130, 30);
const QColor Paper(250, 250, 245);

QPen Stroke(const QColor& c, qreal w = 1.6) {
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Document(QPainter& p) {
    QPainterPath page;
    page.moveTo(5, 2.5);
    page.lineTo(14, 2.5);
    page.lineTo(19, 7.5);
    page.lineTo(19, 21.5);
    page.lineTo(5, 21.5);
    page.closeSubpath();
    p.setPen(Stroke(Ink, 1.2));
    p.setBrush(Paper);
    p.drawPath(page);
    p.drawLine(QPointF(14, 2.5), QPointF(14, 7.5));
    p.drawLine(QPointF(14, 7.5), QPointF(19, 7.5));
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c) {
    p.setPen(Stroke(c, 2.4));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    QPolygonF head;
    head << to + d * 2.5 << to - d * 3 + n * 3.5 << to - d * 3 - n * 3.5;
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(head);
}

void Paint(QPainter& p, TIconId id) {
    switch (id) {
    case TIconId::Connect: {
        // A plug going into a socket.
        p.setPen(Stroke(Ink, 1.4));
        p.setBrush(Green);
        p.drawRoundedRect(QRectF(3, 8, 9, 8), 2, 2);
        p.setPen(Stroke(Ink, 2));
        p.drawLine(QPointF(12, 10), QPointF(16, 10));
        p.drawLine(QPointF(12, 14), QPointF(16, 14));
        p.drawLine(QPointF(1, 12), QPointF(3, 12));
        p.setPen(Stroke(Ink, 1.4));
        p.setBrush(QColor(200, 200, 200));
        p.drawRoundedRect(QRectF(17, 6, 5, 12), 1.5, 1.5);
        break;
    }
    case TIconId::Save: {
        // A diskette.
        p.setPen(Stroke(Ink, 1.2));
        p.setBrush(Blue);
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setBrush(Paper);
        p.drawRect(QRectF(6.5, 3, 11, 7));
        p.setBrush(QColor(210, 215, 225));
        p.drawRect(QRectF(6, 13.5, 12, 7.5));
        p.setBrush(Ink);
        p.drawRect(QRectF(13.5, 4.5, 2.5, 4));
        break;
    }
    case TIconId::Export:
        Document(p);
        Arrow(p, QPointF(8, 15), QPointF(18, 15), Orange);
        break;
    case TIconId::Load:
        Document(p);
        Arrow(p, QPointF(22, 15), QPointF(12, 15), Green);
        break;
    case TIconId::Stab: {
        // An aircraft seen from above.
        p.setPen(Stroke(Ink, 1.2));
        p.setBrush(Blue);
        QPainterPath plane;
        plane.moveTo(12, 2);
        plane.cubicTo(13.5, 3, 13.5, 6, 13.3, 8);
        plane.lineTo(22, 12);
        plane.lineTo(22, 14);
        plane.lineTo(13.2, 12.5);
        plane.lineTo(12.8, 18);
        plane.lineTo(16, 20.5);
        plane.lineTo(16, 22);
        plane.lineTo(12, 21);
        plane.lineTo(8, 22);
        plane.lineTo(8, 20.5);
        plane.lineTo(11.2, 18);
        plane.lineTo(10.8, 12.5);
        plane.lineTo(2, 14);
        plane.lineTo(2, 12);
        plane.lineTo(10.7, 8);
        plane.cubicTo(10.5, 6, 10.5, 3, 12, 2);
        p.drawPath(plane);
        break;
    }
    case TIconId::Channels: {
        // Three sliders.
        const qreal knobs[3] = {8, 15, 11};
        for (int i = 0; i < 3; ++i) {
            const qreal x = 5 + i * 7;
            p.setPen(Stroke(Ink, 1.6));
            p.drawLine(QPointF(x, 3), QPointF(x, 21));
            p.setPen(Stroke(Ink, 1));
            p.setBrush(i == 1 ? Orange : Blue);
            p.drawRoundedRect(QRectF(x - 3, knobs[i] - 2, 6, 4), 1, 1);
        }
        break;
    }
    case TIconId::Osd: {
        // A screen with a horizon and a sight.
        p.setPen(Stroke(Ink, 1.4));
        p.setBrush(QColor(120, 170, 225));
        p.drawRoundedRect(QRectF(2, 4, 20, 15), 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(150, 110, 60));
        QPolygonF ground;
        ground << QPointF(2.7, 15) << QPointF(21.3, 10) << QPointF(21.3, 18.3)
               << QPointF(2.7, 18.3);
        p.drawPolygon(ground);
        p.setPen(Stroke(Qt::white, 1.4));
        p.drawLine(QPointF(8, 11.5), QPointF(10.5, 11.5));
        p.drawLine(QPointF(13.5, 11.5), QPointF(16, 11.5));
        p.drawPoint(QPointF(12, 11.5));
        p.setPen(Stroke(Ink, 1.6));
        p.drawLine(QPointF(8, 21.5), QPointF(16, 21.5));
        break;
    }
    case TIconId::Adc: {
        // A wave on axes.
        p.setPen(Stroke(Ink, 1.2));
        p.drawLine(QPointF(3, 3), QPointF(3, 21));
        p.drawLine(QPointF(3, 21), QPointF(21, 21));
        QPainterPath wave;
        wave.moveTo(4, 12);
        wave.cubicTo(7, 2, 10, 2, 12, 12);
        wave.cubicTo(14, 22, 17, 22, 21, 12);
        p.setPen(Stroke(Orange, 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(wave);
        break;
    }
    case TIconId::Battery: {
        p.setPen(Stroke(Ink, 1.4));
        p.setBrush(Paper);
        p.drawRoundedRect(QRectF(2, 7, 18, 10), 1.5, 1.5);
        p.setBrush(Ink);
        p.drawRect(QRectF(20, 10, 2, 4));
        p.setPen(Qt::NoPen);
        p.setBrush(Green);
        p.drawRect(QRectF(4, 9, 10, 6));
        break;
    }
    case TIconId::Calibrate: {
        // A target with cross hairs.
        p.setPen(Stroke(Ink, 1.4));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(12, 12), 8.5, 8.5);
        p.setPen(Stroke(Orange, 1.6));
        p.drawEllipse(QPointF(12, 12), 4, 4);
        p.setPen(Stroke(Ink, 1.4));
        p.drawLine(QPointF(12, 1), QPointF(12, 8));
        p.drawLine(QPointF(12, 16), QPointF(12, 23));
        p.drawLine(QPointF(1, 12), QPointF(8, 12));
        p.drawLine(QPointF(16, 12), QPointF(23, 12));
        break;
    }
    case TIconId::AllParams: {
        // A table with a magnifying glass over it.
        p.setPen(Stroke(Ink, 1.2));
        p.setBrush(Paper);
        p.drawRect(QRectF(2.5, 3.5, 16, 15));
        p.setBrush(Blue);
        p.drawRect(QRectF(2.5, 3.5, 16, 4));
        for (qreal y : {11.0, 14.5})
            p.drawLine(QPointF(2.5, y), QPointF(18.5, y));
        p.drawLine(QPointF(8, 7.5), QPointF(8, 18.5));
        p.setPen(Stroke(Orange, 2));
        p.setBrush(QColor(255, 255, 255, 180));
        p.drawEllipse(QPointF(15.5, 15), 4, 4);
        p.setPen(Stroke(Orange, 2.6));
        p.drawLine(QPointF(18.4, 17.9), QPointF(22, 21.5));
        break;
    }
    case TIconId::Journal: {
        // A page of entries with a clock over its corner.
        Document(p);
        p.setPen(Stroke(Ink, 1.2));
        for (const QPointF& end :
             {QPointF(12, 6), QPointF(16.5, 9.5), QPointF(10, 13), QPointF(10, 16.5)})
            p.drawLine(QPointF(7.5, end.y()), end);
        p.setPen(Stroke(Blue, 1.6));
        p.setBrush(Paper);
        p.drawEllipse(QPointF(16.5, 16.5), 5.5, 5.5);
        p.setPen(Stroke(Blue, 1.4));
        p.drawLine(QPointF(16.5, 16.5), QPointF(16.5, 13));
        p.drawLine(QPointF(16.5, 16.5), QPointF(19, 17.5));
        break;
    }
    case TIconId::None:
        break;
    }
}

QPixmap Render(TIconId id, int size, bool disabled) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    if (disabled)
        p.setOpacity(0.35);
    Paint(p, id);
    return pm;
}
} // namespace

QIcon ActionIcon(TIconId id) {
    if (id == TIconId::None)
        return QIcon();
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        icon.addPixmap(Render(id, size, false), QIcon::Normal);
        icon.addPixmap(Render(id, size, true), QIcon::Disabled);
    }
    return icon;
}

QIcon ProgramIcon() {
    return QIcon(":/vantor-cp/vantor-cp.png");
}
