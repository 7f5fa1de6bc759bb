#include "ReplayWindow.h"

#include "record/Replayer.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

ReplayWindow::ReplayWindow(Replayer& replayer, QWidget* parent)
    : QWidget(parent, Qt::Window), m_replayer(replayer), m_play(new QPushButton(tr("Play"))),
      m_speed(new QComboBox), m_slider(new QSlider(Qt::Horizontal)), m_time(new QLabel),
      m_file(new QLabel)
{
    setWindowTitle(QStringLiteral("Replay"));
    m_play->setObjectName("playButton");
    m_speed->setObjectName("speedCombo");
    m_slider->setObjectName("positionSlider");
    m_time->setObjectName("timeLabel");
    m_file->setObjectName("fileLabel");

    for (const auto& [text, factor] : {std::pair{"0.25x", 0.25}, std::pair{"1x", 1.0},
                                       std::pair{"4x", 4.0}, std::pair{"16x", 16.0}})
        m_speed->addItem(QString::fromLatin1(text), factor);
    const int current = m_speed->findData(m_replayer.speed());
    m_speed->setCurrentIndex(current < 0 ? 1 : current);
    m_replayer.setSpeed(m_speed->currentData().toDouble());

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_play);
    controls->addWidget(m_speed);
    controls->addWidget(m_slider, 1);
    controls->addWidget(m_time);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_file);

    connect(m_play, &QPushButton::clicked, this, [this] {
        if (m_replayer.isPlaying())
            m_replayer.pause();
        else
            m_replayer.play();
    });
    connect(m_speed, &QComboBox::currentIndexChanged, this,
            [this] { m_replayer.setSpeed(m_speed->currentData().toDouble()); });
    connect(m_slider, &QSlider::valueChanged, this, &ReplayWindow::seekToSlider);
    connect(&m_replayer, &Replayer::loaded, this, &ReplayWindow::showRecording);
    connect(&m_replayer, &Replayer::playingChanged, this, &ReplayWindow::showPlaying);
    connect(&m_replayer, &Replayer::positionChanged, this, &ReplayWindow::showPosition);
    showRecording();
    showPlaying(m_replayer.isPlaying());
}

QString ReplayWindow::timeText(qint64 microseconds)
{
    const qint64 tenths = microseconds / 100000;
    return QStringLiteral("%1:%2.%3")
        .arg(tenths / 600)
        .arg(tenths / 10 % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths % 10);
}

void ReplayWindow::closeEvent(QCloseEvent* event)
{
    m_replayer.pause();
    QWidget::closeEvent(event);
}

void ReplayWindow::showRecording()
{
    const QString path = m_replayer.recording().path;
    m_file->setText(QFileInfo(path).fileName());
    m_file->setToolTip(path);
    m_following = true;
    m_slider->setRange(0, int(m_replayer.duration() / 1000));
    m_following = false;
    m_play->setEnabled(!m_replayer.recording().frames.isEmpty());
    showPosition(m_replayer.position());
}

void ReplayWindow::showPlaying(bool playing)
{
    m_play->setText(playing ? tr("Pause") : tr("Play"));
}

void ReplayWindow::showPosition(qint64 microseconds)
{
    m_following = true;
    m_slider->setValue(int(microseconds / 1000));
    m_following = false;
    m_time->setText(timeText(microseconds) + QStringLiteral(" / ") +
                    timeText(m_replayer.duration()));
}

void ReplayWindow::seekToSlider(int ms)
{
    if (!m_following)
        m_replayer.seek(qint64(ms) * 1000);
}
