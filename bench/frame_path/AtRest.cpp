#include "AtRest.h"

#include "record/RecordingFormat.h"

#include <QFile>

#include <cmath>
#include <random>

bool WriteRestRecording(const QString& path, int frames, QString& error)
{
    RecordingFormat::Info info;
    info.start = QDateTime::currentDateTime();
    info.port = QStringLiteral("board at rest");
    info.baud = 115200;
    info.pollMs = 33;
    QByteArray text = RecordingFormat::headerLines(info);

    std::mt19937 random(24);
    std::uniform_real_distribution<double> noise(-RestNoise, RestNoise);
    const auto wander = [&](float around) { return float(double(around) + noise(random)); };
    // The earth's field as the virtual board sees it at the resting heading.
    const float hx = float(0.6 * std::cos(double(RestPsi)));
    const float hy = float(-0.6 * std::sin(double(RestPsi)));
    const float hz = 0.4f;
    for (int k = 0; k < frames; ++k) {
        QList<float> values(18, 0.0f);
        values[0] = wander(RestPhi);
        values[1] = wander(RestTheta);
        values[2] = wander(RestPsi);
        values[13] = hx;
        values[14] = hy;
        values[15] = hz;
        text += RecordingFormat::row(qint64(k) * 33000, 'F', values);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
