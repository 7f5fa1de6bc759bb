#include "LiveRun.h"

#include "app/Form1.h"
#include "app/SkyvaneApp.h"
#include "app/WindowViews.h"
#include "common/ListeningBoard.h"
#include "core/Pause.h"
#include "display/CockpitView.h"
#include "protocol/FrameReceiver.h"
#include "protocol/MeasurementDecoder.h"
#include "session/BoardSession.h"
#include "support/QuietPrompts.h"
#include "support/program/ProgramRun.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

LiveRunFigures MeasureLiveRun(const QString& boardSim, const QString& rate,
                              const QStringList& boardArguments, int warmUpSeconds, int seconds)
{
    LiveRunFigures figures;
    ListeningBoard board;
    if (!board.start(boardSim, boardArguments)) {
        figures.error = board.error();
        return figures;
    }
    // The program folder with the settings that open the board's port and poll it.
    QTemporaryDir folder;
    QFile settings(folder.filePath(QStringLiteral("Settings.ini")));
    if (!settings.open(QIODevice::WriteOnly) ||
        settings.write(ProgramRun::settingsText(board.portPath(), rate, true)) < 0) {
        figures.error = QStringLiteral("cannot write the settings");
        return figures;
    }
    settings.close();

    QuietPrompts prompts;
    SkyvaneApp::Options o;
    o.programFolder = folder.path();
    o.endProgram = [] {};
    o.prompts = &prompts;
    SkyvaneApp skyvane(o);

    QElapsedTimer clock;
    clock.start();
    bool measuring = false;
    qint64 newestDecodedNs = -1;
    skyvane.session().stream().subscribe([&](const Measurement&) {
        newestDecodedNs = clock.nsecsElapsed();
        if (measuring)
            ++figures.decoded;
        const qint64 backlog = skyvane.receiver().RxBuffer().size();
        figures.largestBacklog = std::max<qint64>(figures.largestBacklog, backlog);
    });
    skyvane.views().setDrawnListener([&] {
        if (!measuring || newestDecodedNs < 0)
            return;
        ++figures.redraws;
        figures.shownAgeMs.push_back(double(clock.nsecsElapsed() - newestDecodedNs) / 1e6);
    });
    skyvane.Load();
    PauseMs(warmUpSeconds * 1000);
    const qint64 received0 = board.heard();
    figures.largestBacklog = 0;
    const WindowViews& views = skyvane.views();
    const CockpitView& cockpit = *skyvane.form().Cockpit;
    const long long horizon0 = cockpit.pictures();
    const long long route0 = views.routeDial().drawings();
    const long long dial0 = views.magDial().drawings();
    const long long text0 = views.sensorTextChanges();
    measuring = true;
    const qint64 start = clock.nsecsElapsed();
    PauseMs(seconds * 1000);
    measuring = false;
    figures.horizonPictures = cockpit.pictures() - horizon0;
    figures.routePictures = views.routeDial().drawings() - route0;
    figures.dialPictures = views.magDial().drawings() - dial0;
    figures.textChanges = views.sensorTextChanges() - text0;
    figures.seconds = double(clock.nsecsElapsed() - start) / 1e9;
    figures.requests = board.heard() - received0;
    figures.endBacklog = skyvane.receiver().RxBuffer().size();
    skyvane.views().setDrawnListener({});
    if (figures.decoded == 0) {
        figures.error = QStringLiteral("no frame was decoded");
        return figures;
    }
    figures.ok = true;
    return figures;
}
