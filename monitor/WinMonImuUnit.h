#pragma once
// The attitude monitor: lists the board's "$EKF:" payloads like the sensor
// monitors and turns a plate with a red top and a green bottom by the roll,
// pitch and yaw they carry. Check boxes reverse each axis and switch the yaw
// on; "Сброс горизонта" tells the board to take the present attitude as level.

#include "monitor/WinMonitorFrame.h"
#include "scene/SceneGL.h"

#include <QPointer>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

extern const TMonitorMember ImuMonitor;

// The plate model: 6 x 0.4 x 2 units centred on its origin, X along the long
// side, Y up through the plate, Z towards the viewer; pink sides, red top
// (+Y), green bottom (-Y). Top and bottom get points of their own.
void BuildAttitudePlate(Tentity& model);

class TWinMonImu : public TWinMonitorFrame {
    Q_OBJECT
public:
    explicit TWinMonImu(QWidget* parent = nullptr);
    ~TWinMonImu() override;

    bool FormCreate() override;
    // The open window (empty when none).
    static QPointer<TWinMonImu>& Instance();

    void CheckBox2Click(); // reverse roll
    void CheckBox3Click(); // reverse pitch
    void CheckBox4Click(); // reverse yaw
    void CheckBox5Click(); // yaw on
    void SpeedButton4Click();

    QPushButton* SpeedButton4;
    QCheckBox* CheckBox2;
    QCheckBox* CheckBox3;
    QCheckBox* CheckBox4;
    QCheckBox* CheckBox5;
    QLabel* StatusText; // unreadable payloads, or that none has come yet
    QFrame* Panel3;     // the 3D view
    QFrame* Panel2;     // holds the list

    int rollfactor = 1, pitchfactor = 1, yawfactor = 1;
    bool yawon = false;
    float pitch = 0, yaw = 0, roll = 0; // last angles after the factors

    Tentity* Model() const { return m_model.get(); }
    TsceneGL* Scene() const { return m_scene.get(); }
    Tlight* Light() const { return m_light.get(); }
    int UnreadablePayloads() const { return m_unreadable; }

protected:
    void ShowPayload(const QByteArray& payload) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowStatus(bool waiting);

    // Declared before the scene: the scene goes first and releases its view
    // and context while model and light still exist.
    std::unique_ptr<Tentity> m_model;
    std::unique_ptr<Tlight> m_light;
    std::unique_ptr<TsceneGL> m_scene;
    int m_unreadable = 0;
    bool m_shown = false; // the plate was drawn at an attitude from the board
};
