#include "ui/settingsdialog.h"

#include "ui/messagebox.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QSettings>

namespace dialtally {

const QString SettingsDialog::kQuestion =
    QStringLiteral("Are you sure you want to save new settings?");
const QString SettingsDialog::kDataNotValid = QStringLiteral("Data Not Valid! ");

namespace {

QString NotSavedMessage(const std::optional<SettingsProblem>& problem)
{
    QString text = QStringLiteral("The new settings are not saved: the settings file cannot be "
                                  "used.");
    if (problem)
        text += QStringLiteral("\r\n") + problem->Text();
    return text;
}

} // namespace

SettingsDialog::SettingsDialog(const SettingsEdit& edit, const QString& caption, QWidget* parent)
    : QDialog(parent), m_edit(edit), m_scale(TwipsScale::ForWidget(parent))
{
    setWindowTitle(caption);
    setModal(true);
    // A fixed dialog border: neither minimise nor maximise, and no context help button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    // Escape and the close box reject the dialog as Cancel does.
    connect(cmdOk, &QPushButton::clicked, this, &SettingsDialog::OnOk);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void SettingsDialog::OnOk()
{
    if (!fDirty) {
        accept();
        return;
    }
    if (MessageBox::Show(this, kQuestion, MessageBox::Icon::Question) != MessageBox::Answer::Ok)
        return;
    Confirmed();
}

void SettingsDialog::Refuse(QWidget* box, const QString& text)
{
    MessageBox::Show(this, text, MessageBox::Icon::Exclamation);
    box->setFocus();
}

void SettingsDialog::SaveAndClose(const std::function<bool(QSettings&, SettingsProblem*)>& save,
                                  const std::function<void(LoadedSettings&)>& apply)
{
    if (!m_edit.store) {
        MessageBox::Show(this, NotSavedMessage(m_edit.settings.problem),
                         MessageBox::Icon::Exclamation);
        return;
    }
    SettingsProblem problem;
    if (!save(*m_edit.store, &problem)) {
        MessageBox::Show(this, NotSavedMessage(problem), MessageBox::Icon::Exclamation);
        return;
    }
    apply(m_edit.settings);
    m_edit.gfUpdateUI = true;
    accept();
}

void SettingsDialog::FixSizeAndCentre(const QSize& clientSize)
{
    setFixedSize(clientSize);
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - clientSize.width()) / 2,
             area.top() + (area.height() - clientSize.height()) / 2);
    }
}

void UseFaceColourWhenDisabled(QWidget* box)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Disabled, QPalette::Base, palette.color(QPalette::Button));
    box->setPalette(palette);
}

} // namespace dialtally
