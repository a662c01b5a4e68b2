#pragma once
// Pieces the windows' forms share: labels and headings, the file row, the
// fixed-pitch font of the lists, and two layout helpers.

#include <QFont>
#include <QString>

class QLabel;
class QLineEdit;
class QToolButton;
class QWidget;

// A label with its object name.
QLabel* MakeLabel(const QString& text, const char* name);

// The bold heading at the top of a window: the settings windows' (plain,
// left), the archive windows' (maroon, centred) or the monitors' (maroon,
// larger, left).
enum class THeading { Settings, Archive, Monitor };
QLabel* MakeHeading(const QString& text, const char* name, THeading kind = THeading::Archive);

// Hides a widget that is shown only while something runs, keeping its place
// in the layout so the window does not jump or squeeze when it appears.
void HideKeepingPlace(QWidget* w);

// Keeps `window` wide enough for its whole caption in the title bar.
void FitCaption(QWidget* window, QWidget* body);

// The read-only `FileName` edit with its small bold "..." button.
struct TFileRow {
    QLineEdit* FileName;
    QToolButton* SpeedButton1;
    QWidget* Row;
};
TFileRow MakeFileRow();

// The lists' fixed-pitch font: Courier New where the system has it as a
// fixed-pitch font, else the system's fixed font; `pointSize` <= 0 keeps
// the default size.
QFont FixedPitchFont(int pointSize = 0);
