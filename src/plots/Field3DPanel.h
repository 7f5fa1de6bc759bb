#pragma once

#include "analysis/MagneticCalibration.h"
#include "protocol/Measurement.h"

#include <Eigen/Core>

#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class MagnitudePlot;
class QLabel;

// The "3D" side of the magnetic-field view: the hard- and soft-iron calibration of the Hx, Hy,
// Hz of F and R frames (collected since opened or cleared, at most 20 000, the oldest dropped;
// or those of a recording), its figures with their thresholds, the result in both conventions
// and the verdict, and |B| per point before and after. The fit is worked out at most four
// times a second, and only while the side is shown.
class Field3DPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Capacity = 20000;

    explicit Field3DPanel(QWidget* parent = nullptr);
    ~Field3DPanel() override;

    // A live frame; ignored while a recording is shown.
    void take(const Measurement& m);
    // Forgets the points and goes back to live frames.
    void clear();
    // Fits the field of a recording's frames instead of the live ones; returns what failed.
    QString openRecording(const QString& path);
    // The calibration as last shown; works it out now when points came since.
    const MagneticCalibration& calibration();
    int pointCount() const { return int(m_points.size()); }

    // "Export..." (Ctrl+S in the field view): asks for a file and writes the result. A name
    // ending ".json" writes the JSON object of skyvane-cli magfit --json, ".csv" the same
    // figures one "name,value" a line. Returns what failed ("" when written).
    void setChooseOpenFile(std::function<QString()> choose);
    void setChooseSaveFile(std::function<QString(const QString& suggested)> choose);
    void exportShown();
    QString exportTo(const QString& path);

signals:
    // After each new fit shown.
    void refreshed();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void add(const Eigen::Vector3d& point);
    void schedule();
    void refresh();
    void chooseRecording();

    std::vector<Eigen::Vector3d> m_points;
    std::size_t m_oldest = 0;
    bool m_fromRecording = false;
    bool m_stale = true;
    MagneticCalibration m_calibration;
    QTimer m_refresh;
    std::function<QString()> m_chooseOpen;
    std::function<QString(const QString&)> m_chooseSave;

    QLabel* m_source;
    QLabel* m_figures;
    QLabel* m_verdict;
    MagnitudePlot* m_magnitudes;
};
