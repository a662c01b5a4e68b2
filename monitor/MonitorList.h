#pragma once
// The monitors' list of payloads: the newest lines of a stream, read-only,
// in the fixed-pitch font. Lines sit in a ring of fixed size and are drawn
// row by row: while the view follows the newest line, a new line moves the
// picture up one row and only that row is drawn. A text document would lay
// out every line and keep the text of dropped lines until it compacts
// itself, so its memory rises and falls by the list's own size for as long
// as the stream runs; the ring holds exactly its lines.
//
// Rows are selected with the mouse (drag, Shift+click) or Ctrl+A and copied
// with Ctrl+C or the context menu, one line of text per row.

#include <QAbstractScrollArea>
#include <QStringList>
#include <vector>

class TMonitorList : public QAbstractScrollArea {
public:
    explicit TMonitorList(int maxLines, QWidget* parent = nullptr);

    // Adds a line at the end (empty lines count); beyond the cap the oldest
    // goes.
    void AppendLine(const QString& line);
    int LineCount() const { return m_count; }
    QStringList Lines() const;
    // The selected rows' lines joined by "\n"; empty without a selection.
    QString SelectedText() const;
    void SelectAll();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    const QString& At(int row) const;
    int RowAt(int y) const;
    void TakeFontMetrics();
    int VisibleRows() const;
    void UpdateBars();
    void Copy() const;
    void Select(int anchor, int cursor);

    std::vector<QString> m_ring;
    int m_first = 0; // ring index of the oldest line
    int m_count = 0;
    int m_widestChars = 0; // longest line seen; the horizontal range
    int m_rowHeight = 1, m_ascent = 0, m_charWidth = 1;
    // Selected rows, as indices into the list (-1: none); dropping the
    // oldest line moves them up with their lines.
    int m_anchor = -1, m_cursor = -1;
    // Set while the list moves the vertical bar itself to keep the picture
    // where it is.
    bool m_keepPicture = false;
};
