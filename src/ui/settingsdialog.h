#pragma once

#include "analysis/settings.h"
#include "ui/twips.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;
class QSettings;

namespace dialtally {

// What a settings dialog edits: the program's settings, which it replaces when the user confirms;
// the store that keeps them, null while the settings file is damaged (nothing may write it then);
// and the main window's flag that asks for the costs and pages to be worked out again.
struct SettingsEdit {
    LoadedSettings& settings;
    QSettings* store;
    bool& gfUpdateUI;
};

// The pattern of the settings dialogs: modal, centred on the screen, a fixed border without
// minimise and maximise buttons, "&Ok" as the default and "&Cancel" as the cancel button. Every
// edit sets fDirty. Ok without a change just closes; with one it asks "Are you sure you want to
// save new settings?" and, on Ok, the dialog checks what was typed (Confirmed), saves, takes the
// values over, raises gfUpdateUI and closes. Cancel takes nothing over.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    // The text of the question before saving.
    static const QString kQuestion;
    // The refusal of a value that is not a number of its kind.
    static const QString kDataNotValid;

protected:
    SettingsDialog(const SettingsEdit& edit, const QString& caption, QWidget* parent);

    // Runs after the user agreed to save: checks the boxes and calls SaveAndClose, or refuses.
    virtual void Confirmed() = 0;

    const LoadedSettings& Settings() const { return m_edit.settings; }
    const TwipsScale& Scale() const { return m_scale; }

    // Shows text with the exclamation icon and moves the input focus to box.
    void Refuse(QWidget* box, const QString& text);
    // Writes through save; when it wrote, replaces the program's settings through apply, raises
    // gfUpdateUI and closes. A damaged or unwritable settings file is not written: the dialog
    // says why and stays open, and nothing is taken over.
    void SaveAndClose(const std::function<bool(QSettings&, SettingsProblem*)>& save,
                      const std::function<void(LoadedSettings&)>& apply);
    // Gives the dialog its client size, fixed, and centres it on the screen.
    void FixSizeAndCentre(const QSize& clientSize);
    // Marks the dialog changed; connect edits to it.
    void MarkDirty() { fDirty = true; }

    bool fDirty = false;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void OnOk();

    SettingsEdit m_edit;
    TwipsScale m_scale;
};

// Text boxes and lists show the window background colour while enabled and the button face
// colour while disabled.
void UseFaceColourWhenDisabled(QWidget* box);

} // namespace dialtally
