#pragma once
// The flight log's plots: one strip per picked column, each with its own
// scale, all on one time axis, and the ground track (north against east in
// metres, one metre the same length on both axes). Each strip is given only
// the points its pixels can show (DecimateColumn), and so is the track
// (DecimateTrack), so a zoom or a pan of a million rows redraws a few
// thousand points. The track is drawn only while its tab is shown. A click
// places the cursor; drag pans, the wheel zooms, Shift+drag zooms to a
// rubber band.

#include "viewer/FlightLogReader.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <memory>

class QCustomPlot;
class QCPAxisRect;
class QCPCurve;
class QCPGraph;
class QCPItemStraightLine;
class QCPMarginGroup;
class QCPRange;
class QLabel;
class QMouseEvent;
class QTabWidget;

class TFlightLogPlot : public QWidget {
    Q_OBJECT
public:
    explicit TFlightLogPlot(QWidget* parent = nullptr);

    // The table lives as long as the plot shows it. `track` is its
    // GroundTrack, when already made (off the interface thread).
    void SetTable(const TFlightLogTable* table,
                  std::shared_ptr<const TGroundTrack> track = nullptr);
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
    QCustomPlot* Track() const { return m_groundTrack ? m_track : nullptr; }
    // Points handed to the strips' graphs at the last redraw (all strips),
    // and to the track's line.
    int ShownPoints() const;
    int TrackPoints() const;
    // Above the track: how many samples it leaves out, and why.
    QLabel* TrackNote() const { return m_trackNote; }
    // Shows the strips (0) or the track (1).
    void ShowView(int index);

signals:
    void CursorMoved(int row);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void RangeChanged(const QCPRange& range);
    void Redecimate();
    void BuildTrack(std::shared_ptr<const TGroundTrack> track);
    bool TrackShown() const;
    void ScheduleTrack();
    void DrawTrack();
    void PlaceTrackMarker();
    void KeepTrackScale();
    void MousePress(QMouseEvent* e);
    void MouseRelease(QMouseEvent* e);

    const TFlightLogTable* m_table = nullptr;
    QCustomPlot* m_strips;
    QCustomPlot* m_track;
    QCustomPlot* m_current;
    QTabWidget* m_tabs;
    QLabel* m_trackNote;
    QCPMarginGroup* m_margins = nullptr;
    QList<int> m_columns;
    QList<QCPAxisRect*> m_rects;
    QList<QCPGraph*> m_graphs;
    QList<QCPItemStraightLine*> m_cursors;
    QCPCurve* m_trackCurve = nullptr;
    QCPGraph* m_trackMarker = nullptr;
    std::shared_ptr<const TGroundTrack> m_groundTrack; // null without GPS columns
    // The track's picture lags the data, its view or its size: drawn when
    // its tab is next shown.
    bool m_trackStale = false;
    bool m_trackQueued = false;
    bool m_trackFit = false; // show the whole track at the next drawing
    QSize m_trackDrawnSize;
    double m_timeScale = 1; // axis unit per table unit
    int m_cursorRow = -1;
    bool m_syncing = false;
    bool m_redrawn = false;
    QPoint m_pressPos;
};

// The columns an operator wants first: altitude, speeds, attitude, battery.
QList<int> DefaultColumns(const TFlightLogTable& t);
