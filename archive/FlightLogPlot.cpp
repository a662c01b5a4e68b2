#include "archive/FlightLogPlot.h"

#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>

namespace {
constexpr double MetresPerDegree = 111320.0;
// The ground track is drawn from at most this many points (every n-th row):
// at the view's size the line looks the same, and a resize stays quick.
constexpr int TrackPoints = 20000;

int ColumnOf(const TFlightLogTable& t, std::initializer_list<const char*> names) {
    for (const char* n : names) {
        const int c = t.Column(QString::fromLatin1(n));
        if (c >= 0)
            return c;
    }
    return -1;
}
} // namespace

QPair<int, int> TrackColumns(const TFlightLogTable& t) {
    const int lat = ColumnOf(t, {"lat", "latitude", "gps_lat"});
    const int lon = ColumnOf(t, {"lon", "lng", "longitude", "gps_lon"});
    if (lat < 0 || lon < 0)
        return {-1, -1};
    return {lat, lon};
}

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
    tabs->addTab(m_strips, QStringLiteral("Графики"));
    tabs->addTab(m_track, QStringLiteral("Трек"));
    tabs->setTabEnabled(1, false);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(tabs);

    connect(m_strips, &QCustomPlot::mousePress, this, &TFlightLogPlot::MousePress);
    connect(m_strips, &QCustomPlot::mouseRelease, this, &TFlightLogPlot::MouseRelease);
    connect(m_track, &QCustomPlot::afterLayout, this, &TFlightLogPlot::KeepTrackScale);
    connect(tabs, &QTabWidget::currentChanged, this,
            [this, tabs] { m_current = tabs->currentWidget() == m_track ? m_track : m_strips; });
    m_current = m_strips;
}

void TFlightLogPlot::SetTable(const TFlightLogTable* table) {
    m_table = table;
    m_cursorRow = -1;
    // A time column in milliseconds is shown as hours, minutes, seconds.
    m_timeScale = table && table->TimeInFirstColumn &&
                          table->Columns[0].trimmed().toLower().endsWith(QLatin1String("ms"))
                      ? 0.001
                      : 1.0;
    SetColumns({});
    BuildTrack();
    findChild<QTabWidget*>("Views")->setTabEnabled(1, Track() != nullptr);
    ShowAll();
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
    if (m_trackCurve) {
        m_trackCurve->rescaleAxes();
        KeepTrackScale();
        m_track->replot();
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

void TFlightLogPlot::BuildTrack() {
    m_track->clearPlottables();
    m_trackCurve = nullptr;
    m_trackMarker = nullptr;
    m_trackColumns = m_table ? TrackColumns(*m_table) : QPair<int, int>{-1, -1};
    if (m_trackColumns.first < 0 || m_table->RowCount() == 0) {
        m_trackColumns = {-1, -1};
        m_track->replot();
        return;
    }
    const QVector<double>& lat = m_table->Values[m_trackColumns.first];
    const QVector<double>& lon = m_table->Values[m_trackColumns.second];
    m_lat0 = lat.first();
    m_lon0 = lon.first();
    m_eastScale = std::cos(m_lat0 * 3.14159265358979323846 / 180);
    const int n = m_table->RowCount();
    const int step = std::max(1, n / TrackPoints);
    QVector<double> east, north;
    for (int i = 0; i < n; i += step) {
        east << (lon[i] - m_lon0) * MetresPerDegree * m_eastScale;
        north << (lat[i] - m_lat0) * MetresPerDegree;
    }
    m_trackCurve = new QCPCurve(m_track->xAxis, m_track->yAxis);
    m_trackCurve->setData(east, north);
    m_trackCurve->setPen(QPen(QColor(30, 90, 200), 1.5));
    m_trackMarker = m_track->addGraph();
    m_trackMarker->setLineStyle(QCPGraph::lsNone);
    m_trackMarker->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::red, 2), QBrush(Qt::white), 10));
    PlaceTrackMarker();
}

void TFlightLogPlot::PlaceTrackMarker() {
    if (!m_trackMarker || m_cursorRow < 0)
        return;
    const double lat = m_table->Values[m_trackColumns.first][m_cursorRow];
    const double lon = m_table->Values[m_trackColumns.second][m_cursorRow];
    m_trackMarker->setData({(lon - m_lon0) * MetresPerDegree * m_eastScale},
                           {(lat - m_lat0) * MetresPerDegree});
    m_track->replot(QCustomPlot::rpQueuedReplot);
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
