#include "sim/BoardState.h"

#include "link/Proc.h"

namespace {
using TGroup = TBoardState::TGroup;

TGroup Stab() {
    return {
        // Control surfaces and sensitivity.
        {"roll_sensitivity", "1.20"},
        {"pitch_sensitivity", "1.10"},
        {"yaw_sensitivity", "0.80"},
        {"koef_omega_roll", "0.35"},
        {"koef_omega_pitch", "0.30"},
        {"koef_omega_yaw", "0.25"},
        {"board_reverse_pitch", "1"},
        {"board_reverse_roll", "1"},
        {"board_reverse_yaw", "-1"},
        {"servo_reverse_pitch_out", "1"},
        {"servo_reverse_roll_right_out", "1"},
        {"servo_reverse_yaw_out", "-1"},
        {"servo_reverse_roll_left_out", "1"},
        {"stick_reverse_pitch", "1"},
        {"stick_reverse_roll", "1"},
        {"stick_reverse_yaw", "1"},
        // Stabiliser.
        {"gaz_minimum", "120"},
        {"gaz_cruise", "560"},
        {"gaz_maximum", "980"},
        {"baro_altitude_inair_border", "5"},
        {"roll_position_stick_max", "35"},
        {"pitch_position_stick_max", "25"},
        {"yaw_position_stick_max", "20"},
        {"roll_position_danger", "60"},
        {"pitch_position_danger", "45"},
        {"flight_logs_allowed", "1"},
        // Navigation.
        {"gaz_cruise_delta", "80"},
        {"home_point_alt", "120"},
        {"take_altitude_max_angles", "15"},
        {"kurs_roll_to_pitch_koef", "0.25"},
        {"take_kurs_roll_max_angles", "30"},
        {"nav_critical_altitude_low_border", "30"},
        {"nav_critical_altitude_upper_border", "400"},
        {"target_reached_radius", "30"},
        {"target_altitude_corridor", "10"},
        {"soft_kurs_keeping_border", "15"},
        {"auto_trim_max_values", "5"},
        {"adaptive_roll_brake_period", "2.5"},
        {"low_critical_speed", "35"},
        {"upper_critical_speed", "120"},
        {"turn_damp_amplifier", "0.6"},
        // Tests.
        {"nav_test_mode", "0"},
        {"current_autopilot_mode", "1"},
        {"test_alt", "100"},
        {"test_alt_spd", "0.0"},
        {"test_lat", "55.751244"},
        {"test_lon", "37.618423"},
        {"test_aileron", "0"},
        {"test_elevator", "0"},
        {"test_ruder", "0"},
        // Hardware configuration.
        {"receiver_mode", "1"},
        {"module_ppm_input_mode", "2"},
        {"mixers_allowed", "1"},
        // Shown by no window.
        {"gps_uart_baud", "38400"},
        {"servo_frame_rate_hz", "50"},
        {"stab_loop_hz", "100"},
    };
}

TGroup Osd() {
    TGroup g = {
        {"osd_resolution_mode", "1"},   {"osd_comp_voltage", "120"}, {"osd_left_offset", "46"},
        {"osd_top_lines_offset", "30"}, {"osd_lang", "1"},
    };
    const char* shown[] = {
        "osd_show_horizon",    "osd_show_altitude",       "osd_show_ground_speed",
        "osd_show_course",     "osd_show_vario",          "osd_gps_status",
        "osd_gps_latitude",    "osd_gps_longitude",       "osd_rssi",
        "osd_home_compass",    "osd_home_distance",       "osd_target_distance",
        "osd_main_bat_volt",   "osd_main_bat_current",    "osd_main_bat_current_capacity",
        "osd_second_bat_volt", "osd_third_bat_volt",      "osd_flight_mode",
        "osd_air_speed",       "osd_debug_params",        "osd_flight_time",
        "osd_home_radar",      "osd_show_outline_border", "osd_force_show"};
    for (const char* name : shown) {
        const QByteArray n(name);
        const bool off =
            n == "osd_debug_params" || n == "osd_show_outline_border" || n == "osd_force_show";
        g.append({n, off ? "0" : "1"});
    }
    // Low-resolution positions: character cells of a 30 x 16 screen.
    struct Pos {
        const char* base;
        int x, y;
    };
    const Pos low[] = {{"rssi", 2, 2},
                       {"main_bat", 2, 14},
                       {"gps_status", 24, 2},
                       {"current", 2, 13},
                       {"air_speed", 2, 7},
                       {"capacity", 2, 12},
                       {"dist_to_target", 22, 13},
                       {"dist_to_home", 22, 14},
                       {"home_indicator", 14, 3},
                       {"latitude", 2, 15},
                       {"longitude", 17, 15},
                       {"variometer", 27, 7},
                       {"second_bat", 24, 12},
                       {"third_bat", 24, 11},
                       {"start_mode", 10, 8}};
    for (const Pos& p : low)
        g.append(
            {QByteArray(p.base) + "_xy", QByteArray::number(p.x) + "," + QByteArray::number(p.y)});
    // High-resolution positions: pixels of a 360 x 288 overlay.
    const Pos adv[] = {{"adv_altitude", 320, 100},        {"adv_speed", 20, 100},
                       {"adv_compass", 150, 12},          {"adv_home_arrow", 170, 40},
                       {"adv_home_icon", 150, 40},        {"adv_home_dist", 190, 40},
                       {"adv_target_dist", 250, 40},      {"adv_rssi_icon", 10, 12},
                       {"adv_rssi_digit", 30, 12},        {"adv_main_bat", 10, 250},
                       {"adv_air_speed", 20, 180},        {"adv_current", 10, 262},
                       {"adv_capacity", 80, 262},         {"adv_second_bat", 270, 250},
                       {"adv_third_bat", 270, 262},       {"adv_gps_state", 280, 12},
                       {"adv_latitude", 10, 274},         {"adv_longitude", 190, 274},
                       {"adv_fs_alarm", 140, 200},        {"adv_ap_flight_mode", 140, 230},
                       {"adv_ap_nav_mode", 140, 242},     {"adv_ap_air_state", 60, 40},
                       {"adv_ap_air_state_pict", 40, 40}, {"adv_log_time", 280, 24},
                       {"adv_dbg_params", 100, 160},      {"adv_vario", 300, 140},
                       {"adv_flight_time", 280, 36}};
    for (const Pos& p : adv)
        g.append(
            {QByteArray(p.base) + "_xy", QByteArray::number(p.x) + "," + QByteArray::number(p.y)});
    g.append(qMakePair(QByteArray("adv_horizon_type"), QByteArray("0")));
    // Shown by no window.
    g.append(qMakePair(QByteArray("osd_video_system"), QByteArray("0")));
    g.append(qMakePair(QByteArray("osd_refresh_hz"), QByteArray("10")));
    return g;
}

TGroup Imu() {
    return {
        {"ekf_proc_variance", "0.0001"}, {"ekf_accel_variance", "0.05"},
        {"ekf_mag_variance", "0.5"},     {"ekf_accel_gravity_cut_off", "0.15"},
        {"imu_rate_hz", "200"},          {"gyro_lpf_hz", "42"},
    };
}

TGroup AdcSettings() {
    return {
        {"mainbattery_c1", "0.01612"},    {"mainbattery_c2", "0.01608"},
        {"mainbattery_c3", "0.01615"},    {"secondbattery_c", "0.01221"},
        {"thirdbattery_c", "0.00488"},    {"airsens_c", "0.00122"},
        {"air_speed_koef_k", "1.25"},     {"air_speed_koef_b", "-0.62"},
        {"air_speed_zero_level", "0.51"}, {"rssisens_c", "0.00322"},
        {"rssi_sens_max_v", "3.30"},      {"rssi_sens_min_v", "0.50"},
        {"currentsens_c", "0.00488"},     {"currentsens_k", "18.3"},
        {"currentsens_b", "-0.25"},       {"adc_filter_k", "0.2"},
    };
}

TGroup Batteries() {
    return {
        {"main_battery_full_v", "12.6"},   {"main_battery_empty_v", "10.5"},
        {"main_battery_full_c", "2200"},   {"second_battery_full_v", "8.4"},
        {"second_battery_empty_v", "7.0"}, {"third_battery_full_v", "4.2"},
        {"third_battery_empty_v", "3.5"},  {"battery_warning_percent", "20"},
    };
}

TGroup Gyro() {
    return {
        {"gyro_bias_x", "12"}, {"gyro_bias_y", "-7"}, {"gyro_bias_z", "3"}, {"gyro_scale", "16.4"}};
}

TGroup Mag() {
    return {{"mag_bias_x", "35"},       {"mag_bias_y", "-112"},   {"mag_bias_z", "48"},
            {"mag_scale_x", "1.000"},   {"mag_scale_y", "1.000"}, {"mag_scale_z", "1.000"},
            {"mag_declination", "11.2"}};
}

QByteArray RowText(const TChannelRow& r) {
    return QByteArray::number(r.Code) + " " + QByteArray::number(r.Channel) + " " +
           QByteArray::number(r.Min) + " " + QByteArray::number(r.Neutral) + " " +
           QByteArray::number(r.Max);
}

QByteArray RowText(const TMixerRow& m) {
    QByteArrayList v;
    for (int x : m.V)
        v << QByteArray::number(x);
    return v.join(' ');
}

bool ParseInts(const QByteArray& text, int* out, int count) {
    const QByteArrayList parts = text.simplified().split(' ');
    if (parts.size() != count)
        return false;
    for (int i = 0; i < count; ++i)
        if (!TryStrToInt(parts[i], out[i]))
            return false;
    return true;
}
} // namespace

TBoardState::TBoardState() {
    for (const QByteArray& g : GroupNames())
        Groups.insert(g, DefaultGroup(g));
    Inputs = DefaultInputs();
    Outputs = DefaultOutputs();
    Mixers = DefaultMixers();
    Waypoints = DefaultWaypoints();
}

const QByteArrayList& TBoardState::GroupNames() {
    static const QByteArrayList names = {"stab",      "osd",  "imu", "adc_settings",
                                         "batteries", "gyro", "mag"};
    return names;
}

TBoardState::TGroup TBoardState::DefaultGroup(const QByteArray& name) {
    if (name == "stab")
        return Stab();
    if (name == "osd")
        return Osd();
    if (name == "imu")
        return Imu();
    if (name == "adc_settings")
        return AdcSettings();
    if (name == "batteries")
        return Batteries();
    if (name == "gyro")
        return Gyro();
    if (name == "mag")
        return Mag();
    return {};
}

QList<TChannelRow> TBoardState::DefaultInputs() {
    QList<TChannelRow> rows(ChannelCount);
    // A usual set-up: ailerons on channel 1, elevator 2, throttle 3, rudder 4,
    // mode switches on 5 and 6.
    rows[0] = {2, 1, 1000, 1500, 2000};
    rows[1] = {3, 1, 1000, 1500, 2000};
    rows[2] = {4, 2, 1000, 1500, 2000};
    rows[3] = {1, 3, 1000, 1100, 2000};
    rows[4] = {5, 4, 1000, 1500, 2000};
    rows[5] = {11, 5, 1000, 1500, 2000};
    rows[6] = {12, 6, 1000, 1500, 2000};
    return rows;
}

QList<TChannelRow> TBoardState::DefaultOutputs() {
    QList<TChannelRow> rows(ChannelCount);
    for (int i = 0; i < 5; ++i)
        rows[i] = {i + 1, i + 1, 1000, i == 0 ? 1000 : 1500, 2000};
    return rows;
}

QList<TMixerRow> TBoardState::DefaultMixers() {
    QList<TMixerRow> rows(MixerCount);
    // Output types 1..5 follow their own function fully; the free types mix
    // nothing until configured.
    for (int i = 0; i < 5; ++i)
        rows[i].V[i] = 100;
    return rows;
}

QMap<int, TWaypoint> TBoardState::DefaultWaypoints() {
    return {{1, {"55.751244", "37.618423", "120"}},
            {2, {"55.754901", "37.627514", "150"}},
            {3, {"55.748112", "37.634020", "150"}},
            {4, {"55.745300", "37.620870", "100"}}};
}

QByteArray* TBoardState::FindParam(const QByteArray& name, QByteArray* group) {
    const QByteArray lower = LowerAscii(name);
    for (const QByteArray& g : GroupNames())
        for (auto& p : Groups[g])
            if (p.first == lower) {
                if (group)
                    *group = g;
                return &p.second;
            }
    return nullptr;
}

QByteArray TBoardState::Value(const QByteArray& group, const QByteArray& name) const {
    for (const auto& p : Groups.value(group))
        if (p.first == name)
            return p.second;
    return QByteArray();
}

QByteArrayList TBoardState::ConfigLines() const {
    QByteArrayList out;
    for (const QByteArray& g : GroupNames())
        for (const auto& p : Groups.value(g))
            out << g + "." + p.first + "=" + p.second;
    for (auto it = Waypoints.cbegin(); it != Waypoints.cend(); ++it)
        out << "wp." + QByteArray::number(it.key()) + "=" + it->Lat + "," + it->Lon + "," + it->Alt;
    return out;
}

QByteArrayList TBoardState::ControlLines() const {
    QByteArrayList out;
    for (int i = 0; i < ChannelCount; ++i)
        out << "in." + QByteArray::number(i) + "=" + RowText(Inputs[i]);
    for (int i = 0; i < ChannelCount; ++i)
        out << "out." + QByteArray::number(i) + "=" + RowText(Outputs[i]);
    for (int i = 0; i < MixerCount; ++i)
        out << "mix." + QByteArray::number(i + 1) + "=" + RowText(Mixers[i]);
    return out;
}

void TBoardState::ApplyLines(const QByteArrayList& lines) {
    bool waypointsSeen = false;
    for (const QByteArray& line : lines) {
        const int eq = line.indexOf('=');
        const int dot = line.indexOf('.');
        if (eq < 0 || dot < 0 || dot > eq)
            continue;
        const QByteArray kind = line.left(dot);
        const QByteArray key = line.mid(dot + 1, eq - dot - 1);
        const QByteArray value = line.mid(eq + 1);
        int index = 0;
        if (Groups.contains(kind)) {
            for (auto& p : Groups[kind])
                if (p.first == key)
                    p.second = value;
        } else if (kind == "wp" && TryStrToInt(key, index) && index >= 1 && index <= MaxWaypoints) {
            const QByteArrayList f = value.split(',');
            if (f.size() != 3)
                continue;
            if (!waypointsSeen)
                Waypoints.clear(); // a saved mission replaces the default one
            waypointsSeen = true;
            Waypoints.insert(index, {f[0], f[1], f[2]});
        } else if ((kind == "in" || kind == "out") && TryStrToInt(key, index) && index >= 0 &&
                   index < ChannelCount) {
            int v[5];
            if (ParseInts(value, v, 5))
                (kind == "in" ? Inputs : Outputs)[index] = {v[0], v[1], v[2], v[3], v[4]};
        } else if (kind == "mix" && TryStrToInt(key, index) && index >= 1 && index <= MixerCount) {
            TMixerRow m;
            if (ParseInts(value, m.V, 5))
                Mixers[index - 1] = m;
        }
    }
}
