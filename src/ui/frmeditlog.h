#pragma once

#include "platform/places.h"
#include "ui/twips.h"

#include <QDialog>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace dialtally {

class EventListModel;
class frmMain;

// The log editor "Edit Log": every event of the session log as a row of the grid grdLog (time,
// message code, data value), a row of three boxes to insert a new event before the current row,
// deletion of the selected rows and a save that replaces the log and keeps the previous one as
// "SesLog.bak". It is modeless and does not refresh the main window; the log is read once when it
// opens. Closing it discards what was not saved.
class frmEditLog : public QDialog {
    Q_OBJECT
public:
    explicit frmEditLog(const Places& places, QWidget* parent = nullptr);
    ~frmEditLog() override;

    EventListModel& Model() const { return *m_model; }
    QTableView* Grid() const { return m_grdLog; }

    void InsertClicked();
    void DeleteClicked();
    void SaveClicked();

private:
    void BuildWindow();
    void LoadLog();
    void OnCurrentRowChanged();
    bool CheckBox(int box, bool valid, const QString& need);

    const Places m_places;
    TwipsScale m_scale;
    EventListModel* m_model = nullptr;
    QGroupBox* m_frame1 = nullptr;
    std::array<QLineEdit*, 3> m_txtMessage{};
    QTableView* m_grdLog = nullptr;
    QPushButton* m_cmdInsert = nullptr;
    QPushButton* m_cmdDelete = nullptr;
    QPushButton* m_cmdSave = nullptr;
    QPushButton* m_cmdClose = nullptr;
};

// The Edit Log command of the main window: opens the editor, or brings the open one to the front.
frmEditLog* OpenLogEditor(frmMain& window);

} // namespace dialtally
