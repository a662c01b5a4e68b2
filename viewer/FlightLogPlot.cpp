#include "viewer/FlightLogPlot.h"

#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>

namespace {
// The ground track is drawn from at most this many points. A flight needs
// one point for each pixel its line enters, a few thousand; only a tangle
// (a GPS that scribbles) needs more, and every k-th of its points draws the
// same tangle. It bounds the time one picture of the track takes.
constexpr int TrackPointCap = 20000;
} // namespace

QList<int> DefaultColumns(const TFlightLogTable& t) {
    // The first column matching each group, in the log's order.
    static const QStringList groups[] = {{"alt"},   {"speed"}, {"roll"},
                                         {"pitch"}, {"yaw"},   {"bat", "volt"}};
    QList<int> out;
    for (const QStringList& group : groups)
        for (int c = t.TimeInFirstColumn ? 1 : 0; c < t.Columns.size(); ++c) {
            const QString name = t.Columns[c].toLower();
            if (std::any_of(group.begin(), group.end(),
                            [&](const QString& w) { return name.contains(w); })) {
                if (!out.contains(c))
                    out << c;
                break;
            }
        }
    std::sort(out.begin(), out.end());
    return out;
}

TFlightLogPlot::TFlightLogPlot(QWidget* parent) : QWidget(parent) {
    auto* tabs = new QTabWidget;
    tabs->setObjectName("Views");
    m_strips = new QCustomPlot;
    m_strips->setObjectName("Strips");
    m_strips->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    m_strips->plotLayout()->clear();
    m_strips->plotLayout()->setRowSpacing(0);
    m_strips->setNoAntialiasingOnDrag(true);
    m_track = new QCustomPlot;
    m_track->setObjectName("Track");
    m_track->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    m_track->xAxis->setLabel(QStringLiteral("восток, м"));
    m_track->yAxis->setLabel(QStringLiteral("север, м"));
    m_trackNote = new QLabel;
    m_trackNote->setObjectName("TrackNote");
    m_trackNote->setWordWrap(true);
    m_trackNote->hide();
    auto* trackPage = new QWidget;
    auto* tv = new QVBoxLayout(trackPage);
    tv->setContentsMargins(0, 0, 0, 0);
    tv->addWidget(m_trackNote);
    tv->addWidget(m_track, 1);
    tabs->addTab(m_strips, QStringLiteral("Графики"));
    tabs->addTab(trackPage, QStringLiteral("Трек"));
    tabs->setTabEnabled(1, false);
    m_tabs = tabs;
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(tabs);

    connect(m_strips, &QCustomPlot::mousePress, this, &TFlightLogPlot::MousePress);
    connect(m_strips, &QCustomPlot::mouseRelease, this, &TFlightLogPlot::MouseRelease);
    connect(m_track, &QCustomPlot::afterLayout, this, &TFlightLogPlot::KeepTrackScale);
    // A pan or zoom of the track needs the points of its new view.
    for (QCPAxis* a : {m_track->xAxis, m_track->yAxis})
        connect(a, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                &TFlightLogPlot::ScheduleTrack);
    connect(tabs, &QTabWidget::currentChanged, this, [this](int index) {
        m_current = index == 1 ? m_track : m_strips;
        if (index == 1 && m_trackStale)
            ScheduleTrack();
    });
    m_current = m_strips;
}

void TFlightLogPlot::SetTable(const TFlightLogTable* table,
                              std::shared_ptr<const TGroundTrack> track) {
    m_table = table;
    m_cursorRow = -1;
    // A time column in milliseconds is shown as hours, minutes, seconds.
    m_timeScale = table && table->TimeInMs() ? 0.001 : 1.0;
    SetColumns({});
    BuildTrack(std::move(track));
    m_tabs->setTabEnabled(1, Track() != nullptr);
    ShowAll();
}

void TFlightLogPlot::ShowView(int index) {
    m_tabs->setCurrentIndex(index);
}

void TFlightLogPlot::SetColumns(const QList<int>& columns) {
    const double lo = TimeLo(), hi = TimeHi();
    const bool hadRange = !m_rects.isEmpty();
    m_strips->clearItems();
    m_strips->clearGraphs();
    m_strips->plotLayout()->clear(); // deletes the axis rects
    delete m_margins;
    m_margins = new QCPMarginGroup(m_strips);
    m_rects.clear();
    m_graphs.clear();
    m_cursors.clear();
    m_columns = columns;
    if (!m_table)
        m_columns.clear();
    for (int i = 0; i < m_columns.size(); ++i) {
        auto* rect = new QCPAxisRect(m_strips);
        m_strips->plotLayout()->addElement(i, 0, rect);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, m_margins);
        rect->setRangeDrag(Qt::Horizontal);
        rect->setRangeZoom(Qt::Horizontal);
        QCPAxis* x = rect->axis(QCPAxis::atBottom);
        QCPAxis* y = rect->axis(QCPAxis::atLeft);
        y->setLabel(m_table->Columns[m_columns[i]]);
        y->ticker()->setTickCount(3); // a strip is short: few, readable labels
        const bool last = i == m_columns.size() - 1;
        x->setTickLabels(last);
        if (m_timeScale != 1.0) {
            auto ticker = QSharedPointer<QCPAxisTickerTime>::create();
            ticker->setTimeFormat(QStringLiteral("%h:%m:%s"));
            x->setTicker(ticker);
        } else {
            x->setNumberFormat(QStringLiteral("g"));
            x->setNumberPrecision(9);
        }
        if (last)
            x->setLabel(m_timeScale != 1.0           ? QStringLiteral("время, ч:мм:сс")
                        : m_table->TimeInFirstColumn ? m_table->Columns[0]
                                                     : QStringLiteral("номер строки"));
        auto* g = m_strips->addGraph(x, y);
        g->setPen(QPen(QColor::fromHsv((i * 67) % 360, 200, 170), 1));
        g->setAdaptiveSampling(false); // the points are decimated already
        auto* line = new QCPItemStraightLine(m_strips);
        line->setClipAxisRect(rect);
        line->point1->setAxes(x, y);
        line->point2->setAxes(x, y);
        line->setPen(QPen(Qt::red, 1, Qt::DashLine));
        m_rects << rect;
        m_graphs << g;
        m_cursors << line;
        connect(x, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                &TFlightLogPlot::RangeChanged);
    }
    if (hadRange && hi > lo)
        SetTimeRange(lo, hi);
    else
        ShowAll();
    if (m_cursorRow >= 0)
        SetCursorTime(m_table->Time(m_cursorRow));
}

void TFlightLogPlot::ShowAll() {
    if (!m_table || m_table->RowCount() == 0) {
        m_strips->replot();
        return;
    }
    const double lo = m_table->Time(0), hi = m_table->Time(m_table->RowCount() - 1);
    SetTimeRange(lo, hi > lo ? hi : lo + 1);
    if (m_groundTrack && m_groundTrack->Size() > 0) {
        m_trackFit = true;
        ScheduleTrack();
    }
}

void TFlightLogPlot::SetTimeRange(double lo, double hi) {
    if (m_rects.isEmpty()) {
        m_strips->replot();
        return;
    }
    // RangeChanged syncs the other strips and redraws; an unchanged range
    // (new columns) is redrawn here.
    m_redrawn = false;
    m_rects.first()->axis(QCPAxis::atBottom)->setRange(lo * m_timeScale, hi * m_timeScale);
    if (!m_redrawn)
        Redecimate();
}

double TFlightLogPlot::TimeLo() const {
    return m_rects.isEmpty()
               ? 0
               : m_rects.first()->axis(QCPAxis::atBottom)->range().lower / m_timeScale;
}

double TFlightLogPlot::TimeHi() const {
    return m_rects.isEmpty()
               ? 0
               : m_rects.first()->axis(QCPAxis::atBottom)->range().upper / m_timeScale;
}

void TFlightLogPlot::RangeChanged(const QCPRange& range) {
    if (m_syncing)
        return;
    m_syncing = true;
    for (QCPAxisRect* r : m_rects)
        r->axis(QCPAxis::atBottom)->setRange(range);
    m_syncing = false;
    Redecimate();
    m_redrawn = true;
}

void TFlightLogPlot::Redecimate() {
    if (!m_table)
        return;
    QVector<double> keys, values;
    for (int i = 0; i < m_graphs.size(); ++i) {
        QCPAxis* x = m_rects[i]->axis(QCPAxis::atBottom);
        const int pixels = std::max(100, m_rects[i]->width());
        DecimateColumn(*m_table, m_columns[i], x->range().lower / m_timeScale,
                       x->range().upper / m_timeScale, pixels, keys, values);
        for (double& k : keys)
            k *= m_timeScale;
        m_graphs[i]->setData(keys, values, true);
        bool found = false;
        QCPRange vr = m_graphs[i]->getValueRange(found, QCP::sdBoth, x->range());
        if (found) {
            if (vr.size() == 0)
                vr = QCPRange(vr.lower - 1, vr.upper + 1);
            const double pad = vr.size() * 0.05;
            m_rects[i]->axis(QCPAxis::atLeft)->setRange(vr.lower - pad, vr.upper + pad);
        }
    }
    m_strips->replot(QCustomPlot::rpQueuedReplot);
}

int TFlightLogPlot::ShownPoints() const {
    int n = 0;
    for (QCPGraph* g : m_graphs)
        n += g->dataCount();
    return n;
}

void TFlightLogPlot::SetCursorTime(double t) {
    if (!m_table || m_table->RowCount() == 0)
        return;
    m_cursorRow = m_table->RowAt(t);
    const double x = m_table->Time(m_cursorRow) * m_timeScale;
    for (QCPItemStraightLine* line : m_cursors) {
        line->point1->setCoords(x, 0);
        line->point2->setCoords(x, 1);
    }
    m_strips->replot(QCustomPlot::rpQueuedReplot);
    PlaceTrackMarker();
    emit CursorMoved(m_cursorRow);
}

void TFlightLogPlot::BuildTrack(std::shared_ptr<const TGroundTrack> track) {
    m_track->clearPlottables();
    m_trackCurve = nullptr;
    m_trackMarker = nullptr;
    m_trackNote->hide();
    m_groundTrack.reset();
    if (!m_table || TrackColumns(*m_table).first < 0 || m_table->RowCount() == 0)
        return;
    m_groundTrack =
        track ? std::move(track) : std::make_shared<TGroundTrack>(GroundTrack(*m_table));
    const TGroundTrack& g = *m_groundTrack;
    QStringList left;
    if (g.NoFix > 0)
        left << QStringLiteral("без фиксации GPS (0, 0) — %1").arg(g.NoFix);
    if (g.Jumps > 0)
        left << QStringLiteral("скачки быстрее %1 м/с — %2").arg(MaxGroundSpeed).arg(g.Jumps);
    if (!left.isEmpty()) {
        m_trackNote->setText(QStringLiteral("Не вошли в трек точки: %1 из %2")
                                 .arg(left.join(QStringLiteral(", ")))
                                 .arg(m_table->RowCount()));
        m_trackNote->show();
    }
    m_trackCurve = new QCPCurve(m_track->xAxis, m_track->yAxis);
    // One pixel wide: Qt draws such a line segment by segment, while a wider
    // one is filled as one outline, whose cost grows with the square of a
    // tangled track's crossings.
    m_trackCurve->setPen(QPen(QColor(30, 90, 200), 1));
    m_trackMarker = m_track->addGraph();
    m_trackMarker->setLineStyle(QCPGraph::lsNone);
    m_trackMarker->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::red, 2), QBrush(Qt::white), 10));
    m_trackStale = true;
}

bool TFlightLogPlot::TrackShown() const {
    return m_groundTrack && m_tabs->currentIndex() == 1;
}

void TFlightLogPlot::ScheduleTrack() {
    m_trackStale = true;
    if (m_trackQueued || !TrackShown())
        return;
    // Once for any number of range changes in a row, after them.
    m_trackQueued = true;
    QMetaObject::invokeMethod(
        this, [this] { DrawTrack(); }, Qt::QueuedConnection);
}

void TFlightLogPlot::DrawTrack() {
    m_trackQueued = false;
    if (!m_trackStale || !TrackShown() || !m_trackCurve)
        return;
    const TGroundTrack& g = *m_groundTrack;
    QCPAxisRect* rect = m_track->axisRect();
    const double w = rect->width(), h = rect->height();
    if (m_trackFit && w > 0 && h > 0 && g.Size() > 0) {
        // The whole track, a twentieth to spare, one metre as long on both
        // axes: the larger of the two spans decides the metres per pixel.
        const double ce = (g.MinEast + g.MaxEast) / 2, cn = (g.MinNorth + g.MaxNorth) / 2;
        const double mpp = std::max({(g.MaxEast - g.MinEast) / w, (g.MaxNorth - g.MinNorth) / h,
                                     20.0 / std::min(w, h)}) *
                           1.1;
        m_track->xAxis->setRange(ce - mpp * w / 2, ce + mpp * w / 2);
        m_track->yAxis->setRange(cn - mpp * h / 2, cn + mpp * h / 2);
        m_trackFit = false;
    }
    QVector<double> east, north;
    const QCPRange x = m_track->xAxis->range(), y = m_track->yAxis->range();
    DecimateTrack(g, x.lower, x.upper, y.lower, y.upper, int(w), int(h), TrackPointCap, east,
                  north);
    m_trackCurve->setData(east, north);
    m_trackDrawnSize = rect->rect().size();
    m_trackStale = false;
    m_track->replot(QCustomPlot::rpQueuedReplot);
}

int TFlightLogPlot::TrackPoints() const {
    return m_trackCurve ? m_trackCurve->dataCount() : 0;
}

void TFlightLogPlot::PlaceTrackMarker() {
    if (!m_trackMarker || m_cursorRow < 0)
        return;
    const TGroundTrack& g = *m_groundTrack;
    const int p = g.PointAt(m_cursorRow);
    if (p >= 0)
        m_trackMarker->setData({g.East[p]}, {g.North[p]});
    if (TrackShown())
        m_track->replot(QCustomPlot::rpQueuedReplot);
    else
        m_trackStale = true;
}

void TFlightLogPlot::KeepTrackScale() {
    // One metre as long to the east as to the north: the y axis keeps its
    // centre and follows the x axis's metres per pixel.
    if (m_track->axisRect()->width() <= 0 || m_track->axisRect()->height() <= 0)
        return;
    const QCPRange before = m_track->yAxis->range();
    m_track->yAxis->setScaleRatio(m_track->xAxis, 1.0);
    // The ticks of this picture were laid out for the old range: draw again.
    if (m_track->yAxis->range() != before)
        m_track->replot(QCustomPlot::rpQueuedReplot);
    // Points picked for another size of the view.
    if (m_trackCurve && m_track->axisRect()->rect().size() != m_trackDrawnSize)
        ScheduleTrack();
}

void TFlightLogPlot::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (!m_rects.isEmpty())
        QMetaObject::invokeMethod(
            this, [this] { Redecimate(); }, Qt::QueuedConnection);
}

void TFlightLogPlot::MousePress(QMouseEvent* e) {
    m_pressPos = e->pos();
    m_strips->setSelectionRectMode((e->modifiers() & Qt::ShiftModifier) ? QCP::srmZoom
                                                                        : QCP::srmNone);
}

void TFlightLogPlot::MouseRelease(QMouseEvent* e) {
    if ((e->pos() - m_pressPos).manhattanLength() > 3 || m_rects.isEmpty())
        return;
    // Anywhere between the strips' left and right borders: they share the
    // time axis, and the gaps between strips count too.
    QCPAxis* x = m_rects.first()->axis(QCPAxis::atBottom);
    if (e->pos().x() >= m_rects.first()->left() && e->pos().x() <= m_rects.first()->right())
        SetCursorTime(x->pixelToCoord(e->pos().x()) / m_timeScale);
}
