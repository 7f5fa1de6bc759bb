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

// The window's side of the dispatch, reduced to what the checks need: the frames seen, the last
// measurement, and the calibration box's text (the step code of an F frame, a message).
class SeenView
{
public:
    explicit SeenView(FrameDispatch& dispatch)
    {
        QObject::connect(&dispatch, &FrameDispatch::frameSeen, [this] { ++frames; });
        QObject::connect(&dispatch, &FrameDispatch::deviceMessage,
                         [this](const QString& text) { message = text; });
        dispatch.stream().subscribe([this](const Measurement& m) { last = m; });
    }

    int frames = 0;
    Measurement last;
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

        FrameDispatch dispatch;
        SeenView view(dispatch);
        FrameReceiver receiver(dispatch);
        // Pieces that cut through the frames, as port reads do.
        receiver.ReceiveFrames(stream.left(7));
        QCOMPARE(view.frames, 0);
        receiver.ReceiveFrames(stream.mid(7, size));
        receiver.ReceiveFrames(stream.mid(7 + size));
        receiver.ReceiveFrames({});
        QCOMPARE(view.frames, 2);
        QVERIFY(receiver.RxBuffer().isEmpty());

        const MeasurementDecoder& decoder = dispatch.decoder();
        QCOMPARE(decoder.Phi(), radians(12.5));
        QCOMPARE(decoder.Theta(), radians(-7.25));
        QCOMPARE(decoder.Psi(), radians(200));
        // Hx, Hy, Hz are floats 14 to 16 of an F frame, 4 to 6 of an R frame.
        const int hx = kind == "F" ? 14 : 4;
        QCOMPARE(view.last.kind, kind.at(0).toLatin1());
        QVERIFY(std::abs(view.last.at(hx) + 0.6 * std::cos(20 * Pi / 180)) < 1e-5);
        QVERIFY(std::abs(view.last.at(hx + 1) - 0.6 * std::sin(20 * Pi / 180)) < 1e-5);
        QVERIFY(std::abs(view.last.at(hx + 2) - 0.4) < 1e-6);
        // No calibration runs: an F frame's step code is 0 (the empty prompt).
        if (kind == "F")
            QCOMPARE(view.last.at(17), 0.0f);
        QCOMPARE(view.message, QString("untouched"));
    }

    void calibrationCodeShowsPrompt()
    {
        BoardProcess board({"--fixed", "0,0,0", "--step-seconds", "30"},
                           BoardProcess::OpenPort | BoardProcess::ShowErrors);
        QVERIFY2(board.error().isEmpty(), qPrintable(board.error()));
        board.write("6");
        FrameDispatch dispatch;
        SeenView view(dispatch);
        FrameReceiver receiver(dispatch);
        // Code 13: "Point every possible direction".
        receiver.ReceiveFrames(board.ask("F", 74));
        QCOMPARE(view.last.at(17), 13.0f);
        receiver.ReceiveFrames(board.ask("R", 16));
        QCOMPARE(view.message, QString("Alignment done"));
    }
};

#include "support/TestMain.h"

QTEST_GUILESS_MAIN(TestBoardDecoding)
#include "tst_BoardDecoding.moc"
