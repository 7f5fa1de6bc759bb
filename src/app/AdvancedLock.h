#pragma once

#include <functional>

#include <QObject>
#include <QString>

class QPushButton;

// The password lock of the advanced frame. The caption of the button is the state:
// "Advanced..." while the frame is hidden, "Basic" while it is shown.
class AdvancedLock : public QObject
{
    Q_OBJECT
public:
    // Asks for the password; Cancel gives the empty text.
    using AskPassword = std::function<QString()>;
    using ShowMessage = std::function<void(const QString&)>;
    using SetOuterWidth = std::function<void(int twips)>;

    AdvancedLock(QPushButton* command15, SetOuterWidth setWidth, AskPassword ask, ShowMessage tell,
                 QObject* parent = nullptr);

    void Command15_Click();
    // Whether the advanced frame is shown (the password was given and "Basic" not pressed).
    bool advancedShown() const;

    static bool IsPassword(const QString& answer);

    static constexpr int kBasicWidth = 12495;
    static constexpr int kAdvancedWidth = 16710;

private:
    QPushButton* m_button;
    SetOuterWidth m_setWidth;
    AskPassword m_ask;
    ShowMessage m_tell;
};
