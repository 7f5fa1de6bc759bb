#include "app/AdvancedLock.h"

#include <QCryptographicHash>
#include <QPushButton>

namespace {
const QString kAdvanced = QStringLiteral("Advanced...");
const QString kBasic = QStringLiteral("Basic");
// Only the SHA-256 digest of the password is kept, so the program's bytes do not show it.
constexpr char kPasswordDigest[] =
    "1ea0a319eabf4f438d0b2a465e47269b13bbc8632f79f6fff7f5033461790a07";
} // namespace

AdvancedLock::AdvancedLock(QPushButton* command15, SetOuterWidth setWidth, AskPassword ask,
                           ShowMessage tell, QObject* parent)
    : QObject(parent), m_button(command15), m_setWidth(std::move(setWidth)), m_ask(std::move(ask)),
      m_tell(std::move(tell))
{
    connect(m_button, &QPushButton::clicked, this, &AdvancedLock::Command15_Click);
}

bool AdvancedLock::IsPassword(const QString& answer)
{
    const QByteArray digest =
        QCryptographicHash::hash(answer.toUtf8(), QCryptographicHash::Sha256).toHex();
    return digest == QByteArray(kPasswordDigest);
}

bool AdvancedLock::advancedShown() const
{
    return m_button->text() != kAdvanced;
}

void AdvancedLock::Command15_Click()
{
    if (advancedShown()) {
        m_setWidth(kBasicWidth);
        m_button->setText(kAdvanced);
        return;
    }
    if (IsPassword(m_ask())) {
        m_setWidth(kAdvancedWidth);
        m_button->setText(kBasic);
        return;
    }
    m_tell(QStringLiteral("Wrong password"));
}
