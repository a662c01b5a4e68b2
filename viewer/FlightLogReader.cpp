#include "viewer/FlightLogReader.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace {
constexpr qint64 ChunkBytes = 256 * 1024;

struct TSpan {
    const char* B;
    const char* E;
};

TSpan Trimmed(const char* b, const char* e) {
    while (b < e && (*b == ' ' || *b == '\t' || *b == '"'))
        ++b;
    while (e > b && (e[-1] == ' ' || e[-1] == '\t' || e[-1] == '"' || e[-1] == '\r'))
        --e;
    return {b, e};
}

bool ParseNumber(TSpan s, double& v) {
    if (s.B < s.E && *s.B == '+')
        ++s.B;
    if (s.B == s.E)
        return false;
    const auto r = std::from_chars(s.B, s.E, v);
    return r.ec == std::errc() && r.ptr == s.E && std::isfinite(v);
}

// A field with decimal commas: the commas become points.
bool ParseCommaNumber(TSpan s, double& v) {
    char buf[64];
    const qint64 n = s.E - s.B;
    if (n <= 0 || n >= qint64(sizeof buf))
        return false;
    std::copy(s.B, s.E, buf);
    std::replace(buf, buf + n, ',', '.');
    return ParseNumber({buf, buf + n}, v);
}

bool AllDigits(TSpan s) {
    return s.B < s.E && std::all_of(s.B, s.E, [](char c) { return c >= '0' && c <= '9'; });
}

// "12" + "5" read as 12.5; the fraction part has digits only.
bool ParsePair(TSpan whole, TSpan frac, double& v) {
    if (!AllDigits(frac))
        return false;
    char buf[96];
    const qint64 a = whole.E - whole.B, b = frac.E - frac.B;
    if (a <= 0 || a + b + 1 >= qint64(sizeof buf))
        return false;
    std::copy(whole.B, whole.E, buf);
    buf[a] = '.';
    std::copy(frac.B, frac.E, buf + a + 1);
    return ParseNumber({buf, buf + a + 1 + b}, v);
}

bool HasNul(const char* p, qsizetype len) {
    return len > 0 && std::memchr(p, '\0', size_t(len)) != nullptr;
}

bool IsBlank(const QByteArray& line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// Turns lines into the table. The field layout of a comma-separated file is
// learnt from its first good row: as many fields as columns (decimal
// points), or twice as many (every value with a decimal comma).
class TLogParser {
public:
    TLogParser(TFlightLogTable& out, const QVector<bool>& fractions)
        : m_out(out), m_fractions(fractions) {}

    bool Header(QByteArray line, TLogReadResult& r) {
        if (line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        line = line.trimmed();
        for (char c : line) {
            const auto u = static_cast<unsigned char>(c);
            if ((u < 0x20 && c != '\t') || u == 0x7F) {
                r = {TLogReadStatus::NotALog, "двоичные данные в первой строке"};
                return false;
            }
        }
        int best = 0;
        for (char sep : {'\t', ';', ','}) {
            const int n = int(line.count(sep));
            if (n > best) {
                best = n;
                m_sep = sep;
            }
        }
        const QString sample = QString::fromLatin1(line.left(60));
        if (best == 0) {
            r = {TLogReadStatus::NotALog, sample};
            return false;
        }
        for (const QByteArray& f : line.split(m_sep)) {
            const TSpan s = Trimmed(f.constData(), f.constData() + f.size());
            double v;
            if (s.B == s.E || ParseNumber(s, v) || ParseCommaNumber(s, v)) {
                r = {TLogReadStatus::NotALog, sample};
                return false;
            }
            m_out.Columns << QString::fromUtf8(s.B, int(s.E - s.B));
        }
        m_out.Separator = m_sep;
        m_out.Values.resize(m_out.Columns.size());
        m_row.resize(m_out.Columns.size());
        return true;
    }

    // Reserves room for the rows a file of `bytes` holds, judged by the rows
    // so far: growing by doubling would leave twice the table's memory
    // behind for the rest of the process.
    void Reserve(qint64 bytes, qint64 done) {
        const qint64 rows = m_out.RowCount() + m_out.BadRows;
        if (rows <= 0 || done <= 0)
            return;
        const qint64 want = qint64(double(bytes) * rows / done * 1.02) + 16;
        for (QVector<double>& v : m_out.Values)
            v.reserve(std::min<qint64>(want, std::numeric_limits<int>::max() / 8));
    }

    void Row(const QByteArray& line) {
        m_fields.clear();
        const char* p = line.constData();
        const char* end = p + line.size();
        for (const char* f = p;; ++p) {
            if (p == end || *p == m_sep) {
                m_fields.push_back(Trimmed(f, p));
                f = p + 1;
                if (p == end)
                    break;
            }
        }
        const int n = m_out.Columns.size();
        const int m = int(m_fields.size());
        bool ok = false;
        if (m == n && m_layout != Pairs) {
            ok = true;
            for (int i = 0; ok && i < n; ++i) {
                const bool comma =
                    m_sep != ',' && std::find(m_fields[i].B, m_fields[i].E, ',') != m_fields[i].E;
                ok = comma ? ParseCommaNumber(m_fields[i], m_row[i])
                           : ParseNumber(m_fields[i], m_row[i]);
                m_out.DecimalComma = m_out.DecimalComma || (ok && comma);
            }
            if (ok)
                m_layout = Plain;
        } else if (m_sep == ',' && m == 2 * n && m_layout != Plain) {
            ok = true;
            for (int i = 0; ok && i < n; ++i)
                ok = ParsePair(m_fields[2 * i], m_fields[2 * i + 1], m_row[i]);
            if (ok) {
                m_layout = Pairs;
                m_out.DecimalComma = true;
            }
        } else if (m_sep == ',' && m > n && m_fractions.size() == n &&
                   m == n + m_fractions.count(true)) {
            ok = true;
            for (int i = 0, f = 0; ok && i < n; ++i) {
                ok = m_fractions[i] ? ParsePair(m_fields[f], m_fields[f + 1], m_row[i])
                                    : ParseNumber(m_fields[f], m_row[i]);
                f += m_fractions[i] ? 2 : 1;
            }
            m_out.DecimalComma = m_out.DecimalComma || ok;
        } else if (m_sep == ',' && m > n) {
            ++m_ambiguous;
            m_ambiguousFields = m;
        }
        if (!ok) {
            ++m_out.BadRows;
            return;
        }
        for (int i = 0; i < n; ++i)
            m_out.Values[i].push_back(m_row[i]);
    }

    TLogReadResult Finish() {
        const qint64 good = m_out.RowCount();
        if (m_ambiguous > 0 && m_ambiguous >= good) {
            return {TLogReadStatus::AmbiguousComma,
                    QStringLiteral("в заголовке %1 столбцов, в строках %2 полей")
                        .arg(m_out.Columns.size())
                        .arg(m_ambiguousFields)};
        }
        if (good == 0)
            return {m_out.BadRows > 0 ? TLogReadStatus::NotALog : TLogReadStatus::Empty, {}};
        const QVector<double>& first = m_out.Values[0];
        m_out.TimeInFirstColumn =
            good > 1 && first.last() > first.first() && std::is_sorted(first.begin(), first.end());
        // Hand back room reserved beyond a tenth too much (a misjudged row size).
        for (QVector<double>& v : m_out.Values)
            if (v.capacity() > v.size() + v.size() / 10 + 64)
                v.squeeze();
        return {};
    }

private:
    enum { Unknown, Plain, Pairs } m_layout = Unknown;
    TFlightLogTable& m_out;
    const QVector<bool> m_fractions;
    char m_sep = ',';
    std::vector<TSpan> m_fields;
    QVector<double> m_row;
    qint64 m_ambiguous = 0;
    int m_ambiguousFields = 0;
};
} // namespace

int TFlightLogTable::RowAt(double t) const {
    const int n = RowCount();
    if (n == 0)
        return -1;
    if (!TimeInFirstColumn)
        return std::clamp(int(std::lround(t)), 0, n - 1);
    const QVector<double>& time = Values[0];
    const int i = int(std::lower_bound(time.begin(), time.end(), t) - time.begin());
    if (i == 0)
        return 0;
    if (i == n)
        return n - 1;
    return (t - time[i - 1] <= time[i] - t) ? i - 1 : i;
}

int TFlightLogTable::Column(const QString& name) const {
    for (int i = 0; i < Columns.size(); ++i)
        if (Columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool TFlightLogTable::TimeInMs() const {
    return TimeInFirstColumn &&
           Columns[0].trimmed().endsWith(QLatin1String("ms"), Qt::CaseInsensitive);
}

double TFlightLogTable::SecondsPerTimeUnit() const {
    return TimeInMs() ? 0.001 : TimeInFirstColumn ? 1.0 : 0.1;
}

QString TFlightLogTable::DamageNote() const {
    return DamagedLine == 0
               ? QString()
               : QStringLiteral("Файл повреждён в строке %1: %2; показаны строки до неё")
                     .arg(DamagedLine)
                     .arg(Damage);
}

QString TLogReadResult::RussianText() const {
    switch (Status) {
    case TLogReadStatus::Ok:
        return QString();
    case TLogReadStatus::Cancelled:
        return QStringLiteral("Чтение журнала прервано");
    case TLogReadStatus::FileError:
        return QStringLiteral("Не удалось прочитать файл: %1").arg(Detail);
    case TLogReadStatus::Empty:
        return QStringLiteral("В файле нет ни одной строки журнала");
    case TLogReadStatus::NotALog:
        return QStringLiteral("Файл не похож на журнал полёта: первая строка должна называть "
                              "столбцы, следующие — содержать числа через запятую, точку с "
                              "запятой или табуляцию") +
               (Detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(Detail));
    case TLogReadStatus::AmbiguousComma:
        return QStringLiteral(
                   "Журнал записан с запятой и между столбцами, и в дробных числах (%1): "
                   "нельзя понять, где кончается число. Выгрузите полёт заново без "
                   "замены разделителей дробной части запятыми или откройте его кнопкой "
                   "«Открыть в просмотре» сразу после выгрузки.")
            .arg(Detail);
    case TLogReadStatus::Damaged:
        return Detail;
    }
    return QString();
}

QVector<bool> FractionColumns(const QByteArray& pointRow) {
    QVector<bool> out;
    for (const QByteArray& field : pointRow.split(','))
        out << field.contains('.');
    return out;
}

TLogReadResult ReadFlightLog(QIODevice& in, TFlightLogTable& out,
                             const std::function<bool(qint64)>& progress,
                             const QVector<bool>& fractions) {
    out = TFlightLogTable();
    TLogParser parser(out, fractions);
    TLogReadResult r;
    bool haveHeader = false;
    bool sawLineEnd = false;
    bool reserved = false;
    qint64 done = 0;
    qint64 lines = 0; // lines taken, blank ones too
    QByteArray carry;
    const auto damage = [&](bool nul) {
        out.DamagedLine = lines + 1;
        out.Damage = nul ? QStringLiteral("нулевые байты (запись файла оборвалась)")
                         : QStringLiteral("строка длиннее %1 КиБ").arg(MaxLogLineBytes / 1024);
    };
    // False ends the reading: a bad header, or a damaged line.
    const auto take = [&](const char* p, qsizetype len) {
        const bool nul = HasNul(p, len);
        if (nul || len > MaxLogLineBytes) {
            damage(nul);
            return false;
        }
        ++lines;
        if (len > 0 && p[len - 1] == '\r')
            --len;
        const QByteArray line = QByteArray::fromRawData(p, len);
        if (IsBlank(line))
            return true;
        if (haveHeader) {
            parser.Row(line);
            return true;
        }
        haveHeader = true;
        return parser.Header(line, r);
    };
    for (bool more = true; more;) {
        if (progress && !progress(done))
            return {TLogReadStatus::Cancelled, {}};
        const QByteArray chunk = in.read(ChunkBytes);
        if (chunk.isEmpty()) {
            const auto* file = qobject_cast<QFileDevice*>(&in);
            if (file && file->error() != QFileDevice::NoError)
                return {TLogReadStatus::FileError, in.errorString()};
            // A last line without its line end, in a file whose lines have
            // one, was cut off while being written: even if it reads as
            // numbers, they may be cut short.
            if (!IsBlank(carry) && haveHeader && sawLineEnd) {
                out.TruncatedLastLine = true;
                ++out.BadRows;
            } else if (!IsBlank(carry)) {
                take(carry.constData(), carry.size());
            }
            break;
        }
        done += chunk.size();
        qsizetype from = 0;
        for (qsizetype nl; more && (nl = chunk.indexOf('\n', from)) >= 0; from = nl + 1) {
            sawLineEnd = true;
            // The chunk's own bytes, not a copy, unless the line began in
            // the previous chunk.
            if (carry.isEmpty()) {
                more = take(chunk.constData() + from, nl - from);
                continue;
            }
            carry += chunk.mid(from, nl - from);
            more = take(carry.constData(), carry.size());
            carry.clear();
        }
        if (!more)
            break;
        // The unfinished line is held only while it can still be a row: a
        // NUL byte or too many bytes make it damage at once, whatever follows.
        const QByteArray rest = chunk.mid(from);
        const bool nul = HasNul(rest.constData(), rest.size());
        if (nul || carry.size() + rest.size() > MaxLogLineBytes) {
            damage(nul);
            break;
        }
        carry += rest;
        if (!reserved && haveHeader && in.size() > done) {
            parser.Reserve(in.size(), done);
            reserved = true;
        }
    }
    if (out.DamagedLine > 0 && out.RowCount() == 0 && r.Ok())
        return {TLogReadStatus::Damaged, out.DamageNote()};
    if (!r.Ok())
        return r;
    if (!haveHeader)
        return {TLogReadStatus::Empty, {}};
    return parser.Finish();
}

TLogReadResult ReadFlightLogFile(const QString& path, TFlightLogTable& out,
                                 const std::function<bool(qint64)>& progress,
                                 const QVector<bool>& fractions) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        out = TFlightLogTable();
        return {TLogReadStatus::FileError, path + ": " + f.errorString()};
    }
    return ReadFlightLog(f, out, progress, fractions);
}

void DecimateColumn(const TFlightLogTable& t, int column, double lo, double hi, int pixels,
                    QVector<double>& keys, QVector<double>& values) {
    keys.clear();
    values.clear();
    const int n = t.RowCount();
    if (n == 0 || column < 0 || column >= t.Columns.size() || !(hi > lo))
        return;
    const QVector<double>& v = t.Values[column];
    const int first = std::max(0, t.RowAt(lo) - 1);
    const int last = std::min(n - 1, t.RowAt(hi) + 1);
    const auto add = [&](int i) {
        keys.push_back(t.Time(i));
        values.push_back(v[i]);
    };
    pixels = std::max(1, pixels);
    if (last - first + 1 <= 4 * pixels) {
        for (int i = first; i <= last; ++i)
            add(i);
        return;
    }
    // Each pixel column's rows found by a binary search of its right border,
    // then one pass over their values: no arithmetic per row.
    const double* time = t.TimeInFirstColumn ? t.Values[0].constData() : nullptr;
    const double step = (hi - lo) / pixels;
    for (int start = first, end; start <= last; start = end) {
        const double ts = t.Time(start);
        end = start + 1; // rows outside the span stand alone
        if (ts >= lo && ts <= hi) {
            const int px = std::min(pixels - 1, int((ts - lo) / step));
            const double border = lo + (px + 1) * step;
            if (time)
                end = int(std::lower_bound(time + start, time + last + 1, border) - time);
            else
                end = std::min(last + 1, int(std::ceil(border)));
            end = std::max(end, start + 1);
        }
        const auto mm = std::minmax_element(v.constData() + start, v.constData() + end);
        const int lowest = int(mm.first - v.constData()), highest = int(mm.second - v.constData());
        const int picks[4] = {start, std::min(lowest, highest), std::max(lowest, highest), end - 1};
        int prev = -1;
        for (int k : picks) {
            if (k != prev)
                add(k);
            prev = k;
        }
    }
}

namespace {
constexpr double MetresPerDegree = 111320.0;

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

int TGroundTrack::PointAt(int row) const {
    if (Rows.isEmpty())
        return -1;
    const int i = int(std::upper_bound(Rows.begin(), Rows.end(), row) - Rows.begin());
    return std::max(0, i - 1);
}

TGroundTrack GroundTrack(const TFlightLogTable& t) {
    TGroundTrack g;
    const QPair<int, int> columns = TrackColumns(t);
    if (columns.first < 0)
        return g;
    const QVector<double>& lat = t.Values[columns.first];
    const QVector<double>& lon = t.Values[columns.second];
    const int n = t.RowCount();
    const double unit = t.SecondsPerTimeUnit();
    const auto fix = [&](int i) {
        return !(lat[i] == 0 && lon[i] == 0) && std::abs(lat[i]) <= 90 && std::abs(lon[i]) <= 180;
    };
    const auto east = [&](int i) { return (lon[i] - g.Lon0) * MetresPerDegree * g.EastScale; };
    const auto north = [&](int i) { return (lat[i] - g.Lat0) * MetresPerDegree; };
    // Whether fix `to` lies within reach of fix `from` (metres from the
    // origin already set).
    const auto reachable = [&](int from, int to) {
        const double dt = std::abs(t.Time(to) - t.Time(from)) * unit;
        return std::hypot(east(to) - east(from), north(to) - north(from)) <=
               MaxGroundSpeed * dt + JumpSlackMetres;
    };
    int last = -1; // row of the last point taken
    for (int i = 0; i < n; ++i) {
        if (!fix(i)) {
            ++g.NoFix;
            continue;
        }
        if (last < 0) {
            // The first fix becomes the origin only when one of the next two
            // agrees with it (the other may be the wild one): a wild fix at
            // the start would otherwise leave the whole flight out as one
            // long jump.
            g.Lat0 = lat[i];
            g.Lon0 = lon[i];
            g.EastScale = std::cos(g.Lat0 * 3.14159265358979323846 / 180);
            int seen = 0, agree = 0;
            for (int next = i + 1; next < n && seen < 2; ++next)
                if (fix(next)) {
                    ++seen;
                    agree += reachable(i, next);
                }
            if (seen > 0 && agree == 0) {
                ++g.Jumps;
                continue;
            }
        } else if (!reachable(last, i)) {
            ++g.Jumps;
            continue;
        }
        const double e = east(i), nn = north(i);
        if (g.Rows.isEmpty()) {
            g.MinEast = g.MaxEast = e;
            g.MinNorth = g.MaxNorth = nn;
        }
        g.MinEast = std::min(g.MinEast, e);
        g.MaxEast = std::max(g.MaxEast, e);
        g.MinNorth = std::min(g.MinNorth, nn);
        g.MaxNorth = std::max(g.MaxNorth, nn);
        g.East.push_back(e);
        g.North.push_back(nn);
        g.Rows.push_back(i);
        last = i;
    }
    return g;
}

void DecimateTrack(const TGroundTrack& g, double x0, double x1, double y0, double y1, int width,
                   int height, int cap, QVector<double>& east, QVector<double>& north) {
    east.clear();
    north.clear();
    const int n = g.Size();
    if (n == 0 || !(x1 > x0) || !(y1 > y0))
        return;
    width = std::max(1, width);
    height = std::max(1, height);
    const double cellX = (x1 - x0) / width, cellY = (y1 - y0) / height;
    // Beside the view a point's key is its side (left, right, below, above,
    // or a corner): each such region is convex, so a line between two points
    // of one region stays out of sight. In the view it is its pixel.
    const auto key = [&](int i) -> qint64 {
        const double x = g.East[i], y = g.North[i];
        const int side = (x < x0 ? 1 : x > x1 ? 2 : 0) | (y < y0 ? 4 : y > y1 ? 8 : 0);
        if (side)
            return -side;
        const qint64 px = std::min<qint64>(width - 1, qint64((x - x0) / cellX));
        const qint64 py = std::min<qint64>(height - 1, qint64((y - y0) / cellY));
        return py * width + px;
    };
    QVector<int> kept;
    int runFirst = 0;
    qint64 runKey = key(0);
    kept.push_back(0);
    for (int i = 1; i < n; ++i) {
        const qint64 k = key(i);
        if (k == runKey)
            continue;
        if (i - 1 != runFirst)
            kept.push_back(i - 1);
        kept.push_back(i);
        runFirst = i;
        runKey = k;
    }
    if (n - 1 != runFirst)
        kept.push_back(n - 1);
    const int step = (int(kept.size()) + cap - 1) / std::max(1, cap);
    for (int j = 0; j < kept.size(); j += std::max(1, step)) {
        east.push_back(g.East[kept[j]]);
        north.push_back(g.North[kept[j]]);
    }
    if (step > 1 && (kept.size() - 1) % step != 0) {
        east.push_back(g.East[kept.last()]);
        north.push_back(g.North[kept.last()]);
    }
}
