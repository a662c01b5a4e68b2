#pragma once
// The flight log viewer: reads a downloaded log (in a worker thread, with a
// progress bar and a stop button), lets the operator pick columns and shows
// them as strips on one time axis, the ground track, and a cursor that reads
// out every picked column at its row. Needs no board. All that grows with
// the file (reading, the track's filtering) runs in the worker; the
// interface thread only draws what the pixels show.

#include "ui/TaskWindow.h"
#include "viewer/FlightLogReader.h"

#include <QThread>
#include <atomic>
#include <memory>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class TFlightLogPlot;

class TWinViewLog : public TTaskWindow {
    Q_OBJECT
public:
    explicit TWinViewLog(QWidget* parent = nullptr);
    ~TWinViewLog() override;

    // Starts reading `path` (a read in progress is stopped first);
    // `fractions` as ReadFlightLog takes it.
    void OpenFile(const QString& path, const QVector<bool>& fractions = {});
    bool Loading() const { return m_thread != nullptr; }
    const TFlightLogTable& Table() const { return *m_table; }
    QString FileShown() const { return m_file; }
    // Picked column names with their values at the cursor's row, as shown.
    QStringList Readout() const;

    QPushButton* OpenButton;
    QPushButton* ShowAllButton;
    QPushButton* SavePngButton;
    QListWidget* ColumnList;
    QLabel* ReadoutLabel;
    QLabel* InfoLabel;
    QProgressBar* Progress;
    QPushButton* CancelButton;
    TFlightLogPlot* Plot;

    void OpenButtonClick();
    void SavePngButtonClick();

signals:
    // The read ended (shown, failed or stopped).
    void LoadFinished(bool ok);

protected:
    void FormClose() override;

private:
    void StopLoad();
    void LoadDone();
    void FillColumns();
    void PickedChanged();
    void ShowReadout();

    QString m_file;
    QString m_loadingFile;
    std::shared_ptr<TFlightLogTable> m_table;
    std::shared_ptr<TFlightLogTable> m_loading;
    std::shared_ptr<TGroundTrack> m_track;
    std::shared_ptr<TLogReadResult> m_result;
    std::shared_ptr<std::atomic<qint64>> m_bytes;
    std::shared_ptr<std::atomic<bool>> m_stop;
    qint64 m_size = 0;
    QThread* m_thread = nullptr;
};

extern QPointer<TWinViewLog> WinViewLog;

// Opens the viewer (or brings it forward) showing `path`; with an empty path
// the operator is asked for a file.
TWinViewLog* OpenFlightLogViewer(const QString& path = QString(),
                                 const QVector<bool>& fractions = {});
