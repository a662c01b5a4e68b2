#include "monitor/MonitorList.h"

#include "ui/FormPieces.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {
// Space left of the text, as in a memo.
constexpr int Margin = 4;
} // namespace

TMonitorList::TMonitorList(int maxLines, QWidget* parent)
    : QAbstractScrollArea(parent), m_ring(std::max(1, maxLines)) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Every paint fills what it draws, so a row can be scrolled by copying
    // the picture rather than drawing all rows again.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    setFont(FixedPitchFont());
    TakeFontMetrics();
}

const QString& TMonitorList::At(int row) const {
    return m_ring[(m_first + row) % m_ring.size()];
}

QStringList TMonitorList::Lines() const {
    QStringList out;
    out.reserve(m_count);
    for (int i = 0; i < m_count; ++i)
        out << At(i);
    return out;
}

QString TMonitorList::SelectedText() const {
    if (m_anchor < 0)
        return {};
    QStringList out;
    for (int i = std::min(m_anchor, m_cursor); i <= std::max(m_anchor, m_cursor); ++i)
        out << At(i);
    return out.join('\n');
}

void TMonitorList::SelectAll() {
    if (m_count > 0)
        Select(0, m_count - 1);
}

void TMonitorList::Select(int anchor, int cursor) {
    m_anchor = anchor;
    m_cursor = cursor;
    viewport()->update();
}

void TMonitorList::AppendLine(const QString& line) {
    QScrollBar* bar = verticalScrollBar();
    const int top = bar->value();
    const bool following = top == bar->maximum();
    const int cap = int(m_ring.size());
    const bool dropped = m_count == cap;
    if (dropped) {
        m_ring[m_first] = line;
        m_first = (m_first + 1) % cap;
        if (m_anchor >= 0) {
            // The selection stays with its lines; a selected oldest line goes.
            if (std::max(m_anchor, m_cursor) == 0)
                m_anchor = m_cursor = -1;
            else {
                m_anchor = std::max(0, m_anchor - 1);
                m_cursor = std::max(0, m_cursor - 1);
            }
        }
    } else {
        m_ring[(m_first + m_count) % cap] = line;
        ++m_count;
    }
    const bool wider = line.size() > m_widestChars;
    if (wider)
        m_widestChars = int(line.size());

    // The top row after this line: the newest rows while following, else the
    // same line as before. The picture moves by the difference between the
    // two tops, counted in the new numbering.
    const int rows = VisibleRows();
    const int newTop = following ? std::max(0, m_count - rows) : std::max(0, top - int(dropped));
    const int shift = newTop - (top - int(dropped));
    m_keepPicture = true;
    if (wider || bar->maximum() != std::max(0, m_count - rows))
        UpdateBars();
    bar->setValue(newTop);
    m_keepPicture = false;
    // The newest row, and below it the strip that holds no whole row: a
    // scroll uncovers only the strip of one row's height at the bottom.
    const int row = m_count - 1 - newTop;
    const QRect newest(0, row * m_rowHeight, viewport()->width(), viewport()->height());
    if (shift == 1)
        viewport()->scroll(0, -m_rowHeight);
    else if (shift != 0)
        viewport()->update();
    if ((shift == 0 || shift == 1) && row <= rows)
        viewport()->update(newest);
}

int TMonitorList::VisibleRows() const {
    return std::max(1, viewport()->height() / m_rowHeight);
}

int TMonitorList::RowAt(int y) const {
    const int row = verticalScrollBar()->value() + (y < 0 ? -1 : y / m_rowHeight);
    return std::clamp(row, 0, std::max(0, m_count - 1));
}

void TMonitorList::UpdateBars() {
    QScrollBar* v = verticalScrollBar();
    const int rows = VisibleRows();
    v->setRange(0, std::max(0, m_count - rows));
    v->setPageStep(rows);
    v->setSingleStep(1);
    QScrollBar* h = horizontalScrollBar();
    const int width = viewport()->width();
    h->setRange(0, std::max(0, 2 * Margin + m_widestChars * m_charWidth - width));
    h->setPageStep(width);
    h->setSingleStep(m_charWidth);
}

void TMonitorList::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    const QRect r = event->rect();
    p.fillRect(r, palette().base());
    const int top = verticalScrollBar()->value();
    const int x = Margin - horizontalScrollBar()->value();
    const int lo = std::min(m_anchor, m_cursor), hi = std::max(m_anchor, m_cursor);
    const int last = std::min(m_count - 1 - top, r.bottom() / m_rowHeight);
    for (int row = std::max(0, r.top() / m_rowHeight); row <= last; ++row) {
        const int i = top + row;
        const int y = row * m_rowHeight;
        const bool selected = m_anchor >= 0 && i >= lo && i <= hi;
        if (selected)
            p.fillRect(QRect(0, y, viewport()->width(), m_rowHeight), palette().highlight());
        p.setPen(selected ? palette().highlightedText().color() : palette().text().color());
        p.drawText(x, y + m_ascent, At(i));
    }
}

void TMonitorList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    QScrollBar* v = verticalScrollBar();
    const bool following = v->value() == v->maximum();
    UpdateBars();
    if (following)
        v->setValue(v->maximum());
}

void TMonitorList::scrollContentsBy(int dx, int dy) {
    if (!m_keepPicture)
        viewport()->scroll(dx, dy * m_rowHeight);
}

void TMonitorList::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        TakeFontMetrics();
}

void TMonitorList::TakeFontMetrics() {
    const QFontMetrics fm(font());
    m_rowHeight = std::max(1, fm.lineSpacing());
    m_ascent = fm.ascent();
    m_charWidth = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    UpdateBars();
    viewport()->update();
}

void TMonitorList::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy))
        Copy();
    else if (event->matches(QKeySequence::SelectAll))
        SelectAll();
    else
        QAbstractScrollArea::keyPressEvent(event);
}

void TMonitorList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_count == 0)
        return QAbstractScrollArea::mousePressEvent(event);
    const int row = RowAt(event->position().toPoint().y());
    if ((event->modifiers() & Qt::ShiftModifier) && m_anchor >= 0)
        Select(m_anchor, row);
    else
        Select(row, row);
}

void TMonitorList::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || m_anchor < 0)
        return QAbstractScrollArea::mouseMoveEvent(event);
    // Dragging past the top or bottom edge scrolls a row at a time.
    const int y = event->position().toPoint().y();
    QScrollBar* v = verticalScrollBar();
    if (y < 0)
        v->setValue(v->value() - 1);
    else if (y >= VisibleRows() * m_rowHeight)
        v->setValue(v->value() + 1);
    Select(m_anchor, RowAt(std::clamp(y, 0, VisibleRows() * m_rowHeight - 1)));
}

void TMonitorList::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("Копировать"), this, [this] { Copy(); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(m_anchor >= 0);
    QAction* all = menu.addAction(QStringLiteral("Выделить всё"), this, [this] { SelectAll(); });
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(m_count > 0);
    menu.exec(event->globalPos());
}

void TMonitorList::Copy() const {
    if (m_anchor >= 0)
        QGuiApplication::clipboard()->setText(SelectedText());
}
