#pragma once
// The flight log's plots: one strip per picked column, each with its own
// scale, all on one time axis, and the ground track (north against east in
// metres, one metre the same length on both axes). Each strip is given only
// the points its pixels can show (DecimateColumn), so a zoom or a pan of a
// million rows redraws a few thousand points. A click places the cursor;
// drag pans, the wheel zooms, Shift+drag zooms to a rubber band.

#include "archive/FlightLogReader.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class QCustomPlot;
class QCPAxisRect;
class QCPCurve;
class QCPGraph;
class QCPItemStraightLine;
class QCPMarginGroup;
class QCPRange;
class QMouseEvent;

class TFlightLogPlot : public QWidget {
    Q_OBJECT
public:
    explicit TFlightLogPlot(QWidget* parent = nullptr);

    // The table lives as long as the plot shows it.
    void SetTable(const TFlightLogTable* table);
    // The columns shown as strips, top to bottom.
    void SetColumns(const QList<int>& columns);
    QList<int> Columns() const { return m_columns; }
    // The whole time span.
    void ShowAll();
    void SetTimeRange(double lo, double hi);
    double TimeLo() const;
    double TimeHi() const;

    // The cursor at the row nearest to time `t`.
    void SetCursorTime(double t);
    int CursorRow() const { return m_cursorRow; }

    QCustomPlot* Strips() const { return m_strips; }
    // The view on screen (strips or track), for saving as a picture.
    QCustomPlot* Current() const { return m_current; }
    // nullptr when the log has no latitude and longitude.
    QCustomPlot* Track() const { return m_trackColumns.first >= 0 ? m_track : nullptr; }
    // Points handed to the strips' graphs at the last redraw (all strips).
    int ShownPoints() const;

signals:
    void CursorMoved(int row);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void RangeChanged(const QCPRange& range);
    void Redecimate();
    void BuildTrack();
    void PlaceTrackMarker();
    void KeepTrackScale();
    void MousePress(QMouseEvent* e);
    void MouseRelease(QMouseEvent* e);

    const TFlightLogTable* m_table = nullptr;
    QCustomPlot* m_strips;
    QCustomPlot* m_track;
    QCustomPlot* m_current;
    QCPMarginGroup* m_margins = nullptr;
    QList<int> m_columns;
    QList<QCPAxisRect*> m_rects;
    QList<QCPGraph*> m_graphs;
    QList<QCPItemStraightLine*> m_cursors;
    QCPCurve* m_trackCurve = nullptr;
    QCPGraph* m_trackMarker = nullptr;
    QPair<int, int> m_trackColumns{-1, -1}; // latitude, longitude
    double m_timeScale = 1;                 // axis unit per table unit
    double m_lat0 = 0, m_lon0 = 0, m_eastScale = 1;
    int m_cursorRow = -1;
    bool m_syncing = false;
    bool m_redrawn = false;
    QPoint m_pressPos;
};

// Index of the latitude and longitude columns, -1 when missing.
QPair<int, int> TrackColumns(const TFlightLogTable& t);
// The columns an operator wants first: altitude, speeds, attitude, battery.
QList<int> DefaultColumns(const TFlightLogTable& t);
