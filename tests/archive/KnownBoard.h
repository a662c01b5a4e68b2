#pragma once
// A known board state for the export tests: every listing the export asks
// for, with the awkward cases the file format has rules for.

#include "ScriptedBoard.h"

inline void FillKnownBoard(TScriptedBoard& board) {
    board.SetAnswer("cat stab",
                    {
                        "Roll_Sensitivity = 1.20", "gaz_cruise = 560",
                        "Empty_Value =",  // a parameter line ending with the blank after the name
                        "STAB settings",  // no "=": counted, not written
                        "koef_mix = 1,5", // a comma outside OSD stays
                    });
    board.SetAnswer("cat wp", {
                                  "Waypoints: 3", "N: latitude, longitude, altitude",
                                  "1: 55.7512, 37.6184, 120",
                                  "2: 55.7601, 37.6302, 150, 5", // the rest keeps its comma
                                  "03: home",                    // no commas: two empty fields
                              });
    board.SetAnswer("cat osd", {"OSD_Horizon_XY = 10,20", "osd_show_horizon = 1"});
    board.SetAnswer("cat imu", {"EKF_Proc_Variance = 0.001"});
    // adc_settings: the prompt only, an empty section
    board.SetAnswer("cat batteries", {"main_battery_full_v = 12.6"});
    board.SetAnswer("cat gyro", {"gyro_bias_x = -12", "gyro_bias_y = 7", "gyro_bias_z = 0"});
    board.SetAnswer("cat mag", {"mag_bias_x = 30"});
    board.SetAnswer("cat control in",
                    {
                        "N: type ch min neutral max", "1: PPM 1 1000 1500 2000",
                        "2:\tPPM\t2\t1000 1500  2000 extra", // tabs become blanks
                        "3: PWM 3 900 1500 2100   x  y",     // extra blanks stay in the rest
                        "gain = 3",                          // "=": skipped
                    });
    board.SetAnswer("cat control out", {"Outputs type code", "1: SERVO 1 1000 1500 2000"});
    board.SetAnswer("cat control mixers", {
                                              "MIXERS:",
                                              "N: Type G RE LE ELE RUD",
                                              "1: 0 100 0 0 0",
                                              "5: 0 0 0 0 100",
                                              "6: 1 50 -50 0 0",
                                              "06: 2 10 20 30 40",
                                              "15: 0 1 2 3 4 5 6",
                                              "16: 1",
                                          });
}
