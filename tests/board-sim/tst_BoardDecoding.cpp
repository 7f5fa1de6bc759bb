#include "support/BoardProcess.h"
#include "support/Bytes.h"

#include "protocol/FrameDispatch.h"
#include "protocol/FrameHandler.h"
#include "protocol/FrameReceiver.h"
#include "protocol/MeasurementDecoder.h"

#include <QTest>

#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

// The window's side of the decoder, reduced to what the checks need.
class SeenView
{
public:
    explicit SeenView(MeasurementDecoder& decoder)
    {
        decoder.setFrameSeen([this] { ++frames; });
        decoder.setMessageListener([this](const QString& text) { message = text; });
        decoder.stream().subscribe([this](const Measurement& m) {
            if (m.drawsDial) {
                dialU = m.dialU;
                dialV = m.dialV;
            }
            if (m.sensorText)
                sensorText = *m.sensorText;
            if (m.calibrationText)
                message = *m.calibrationText;
        });
    }

    int frames = 0;
    double dialU = 99;
    double dialV = 99;
    QString sensorText;
    QString message = "untouched";
};

float radians(double degrees)
{
    return static_cast<float>(degrees * Pi / 180.0);
}

} // namespace

class TestBoardDecoding : public QObject
{
    Q_OBJECT

private slots:
    void frameDecodesToTheBoardsValues_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("size");
        QTest::newRow("F") << "F" << 74;
        QTest::newRow("R") << "R" << 26;
    }

    // The board at roll 12.5°, pitch -7.25°, heading 200°: the field is
    // Hx = 0.6 cos 200° = -0.564, Hy = -0.6 sin 200° = 0.205, Hz = 0.4.
    void frameDecodesToTheBoardsValues()
    {
        QFETCH(QString, kind);
        QFETCH(int, size);
        BoardProcess board({"--fixed", "12.5,-7.25,200", "--frame", kind},
                           BoardProcess::OpenPort | BoardProcess::ShowErrors);
        QVERIFY2(board.error().isEmpty(), qPrintable(board.error()));
        const QByteArray stream = board.ask("FF", 2 * size);
        QCOMPARE(stream.size(), 2 * size);

        MeasurementDecoder decoder(QLatin1Char('.'));
        SeenView view(decoder);
        FrameDispatch forwarder(decoder);
        FrameReceiver receiver(forwarder);
        // Pieces that cut through the frames, as port reads do.
        receiver.ReceiveFrames(stream.left(7));
        QCOMPARE(view.frames, 0);
        receiver.ReceiveFrames(stream.mid(7, size));
        receiver.ReceiveFrames(stream.mid(7 + size));
        receiver.ReceiveFrames({});
        QCOMPARE(view.frames, 2);
        QVERIFY(receiver.RxBuffer().isEmpty());

        QCOMPARE(decoder.Phi, radians(12.5));
        QCOMPARE(decoder.Theta, radians(-7.25));
        QCOMPARE(decoder.Psi, radians(200));
        QVERIFY(std::abs(view.dialU - 0.6 * std::sin(20 * Pi / 180)) < 1e-5);
        QVERIFY(std::abs(view.dialV + 0.6 * std::cos(20 * Pi / 180)) < 1e-5);
        QCOMPARE(view.sensorText, QString("Hx : -0.56\r\nHy : 0.21\r\nHz : 0.4"));
        QCOMPARE(view.message, kind == "F" ? QString() : QString("untouched"));
    }

    void calibrationCodeShowsPrompt()
    {
        BoardProcess board({"--fixed", "0,0,0", "--step-seconds", "30"},
                           BoardProcess::OpenPort | BoardProcess::ShowErrors);
        QVERIFY2(board.error().isEmpty(), qPrintable(board.error()));
        board.write("6");
        MeasurementDecoder decoder(QLatin1Char('.'));
        SeenView view(decoder);
        FrameDispatch forwarder(decoder);
        FrameReceiver receiver(forwarder);
        receiver.ReceiveFrames(board.ask("F", 74));
        QCOMPARE(view.message, QString("Point every possible direction"));
        receiver.ReceiveFrames(board.ask("R", 16));
        QCOMPARE(view.message, QString("Alignment done"));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestBoardDecoding)
#include "tst_BoardDecoding.moc"
