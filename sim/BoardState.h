#pragma once
// What the simulated board remembers: the parameter groups, the channel and
// mixer tables and the waypoints, with their factory defaults and the text
// form the board saves to its "flash" (the --state file).

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QMap>
#include <QPair>

// One row of "control in" / "control out": function or output type code,
// channel number (0 = none), and the three pulse widths in microseconds.
struct TChannelRow {
    int Code = 0;
    int Channel = 0;
    int Min = 1000;
    int Neutral = 1500;
    int Max = 2000;
    bool operator==(const TChannelRow& o) const {
        return Code == o.Code && Channel == o.Channel && Min == o.Min && Neutral == o.Neutral &&
               Max == o.Max;
    }
};

// One mixer: the shares of the five control functions (throttle, right
// aileron, left aileron, elevator, rudder) in percent, -150..150.
struct TMixerRow {
    int V[5] = {0, 0, 0, 0, 0};
    bool operator==(const TMixerRow& o) const {
        for (int i = 0; i < 5; ++i)
            if (V[i] != o.V[i])
                return false;
        return true;
    }
};

struct TWaypoint {
    QByteArray Lat, Lon, Alt;
};

class TBoardState {
public:
    static constexpr int ChannelCount = 24;
    static constexpr int MixerCount = 15;
    static constexpr int MaxWaypoints = 64;

    // A parameter group: ordered name/value pairs, names lower-case as the
    // board lists them.
    using TGroup = QList<QPair<QByteArray, QByteArray>>;

    TBoardState();

    // Parameter groups in listing order: stab, osd, imu, adc_settings,
    // batteries, gyro, mag.
    static const QByteArrayList& GroupNames();
    static TGroup DefaultGroup(const QByteArray& name);
    static QList<TChannelRow> DefaultInputs();
    static QList<TChannelRow> DefaultOutputs();
    static QList<TMixerRow> DefaultMixers();
    static QMap<int, TWaypoint> DefaultWaypoints();

    QMap<QByteArray, TGroup> Groups;
    QList<TChannelRow> Inputs;  // index 0..23
    QList<TChannelRow> Outputs; // index 0..23
    QList<TMixerRow> Mixers;    // index 0..14 for mixers 1..15
    QMap<int, TWaypoint> Waypoints;

    // The value slot of a parameter, found by name without regard to ASCII
    // case in any group; nullptr when the board has no such parameter.
    QByteArray* FindParam(const QByteArray& name, QByteArray* group = nullptr);
    QByteArray Value(const QByteArray& group, const QByteArray& name) const;

    // "save config" keeps the groups and waypoints, "save controls" the
    // channel and mixer tables: each is a block of "key=value" lines.
    QByteArrayList ConfigLines() const;
    QByteArrayList ControlLines() const;
    // Applies saved lines over the current state; unknown or malformed lines
    // are skipped, so an older or damaged file never loses the defaults.
    void ApplyLines(const QByteArrayList& lines);
};
