#include "ui/frmeditlog.h"

#include "log/maintenance.h"
#include "ui/eventlistmodel.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>

namespace dialtally {
namespace {

QPushButton* MakeButton(QWidget* parent, const QString& caption, const char* name)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

// The first and the last row of the grid's selection; the current row when nothing is selected.
std::pair<int, int> SelectedRows(const QTableView* grid)
{
    int first = grid->currentIndex().row();
    int last = first;
    const QItemSelection selection = grid->selectionModel()->selection();
    if (!selection.isEmpty()) {
        first = selection.front().top();
        last = selection.front().bottom();
        for (const QItemSelectionRange& range : selection) {
            first = std::min(first, range.top());
            last = std::max(last, range.bottom());
        }
    }
    return {first, last};
}

const QString kSaveQuestion = QStringLiteral(
    "This action will save the edited Log.\r\n\r\nAre you sure you want to continue?");

} // namespace

frmEditLog::frmEditLog(const Places& places, QWidget* parent)
    : QDialog(parent), m_places(places), m_scale(TwipsScale::ForWidget(parent))
{
    setObjectName(QStringLiteral("frmEditLog"));
    setWindowTitle(QStringLiteral("Edit Log"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    // A fixed dialog frame with its close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    BuildWindow();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
    LoadLog();
    QApplication::restoreOverrideCursor();
}

frmEditLog::~frmEditLog() = default;

void frmEditLog::BuildWindow()
{
    const TwipsScale& s = m_scale;
    setFixedSize(s.X(6360), s.Y(3615));

    m_frame1 = new QGroupBox(QStringLiteral("Insert Message"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(s.Rect(60, 60, 6255, 675));
    const int boxes[3][2] = {{60, 1455}, {1620, 1000}, {2700, 2115}};
    for (std::size_t i = 0; i < m_txtMessage.size(); ++i) {
        auto* box = new QLineEdit(m_frame1);
        box->setObjectName(QStringLiteral("txtMessage%1").arg(i));
        box->setGeometry(s.X(boxes[i][0]), s.Y(240), s.X(boxes[i][1]),
                         std::max(s.Y(285), box->sizeHint().height()));
        m_txtMessage[i] = box;
    }
    m_txtMessage[2]->setText(QStringLiteral("0"));

    const struct {
        const char* caption;
        const char* name;
        int left, width;
    } labels[] = {{"Time", "Label1", 120, 1335},
                  {"Message", "Label2", 1740, 975},
                  {"Data", "Label3", 3120, 1695}};
    for (const auto& label : labels) {
        auto* widget = new QLabel(QString::fromLatin1(label.caption), this);
        widget->setObjectName(QString::fromLatin1(label.name));
        widget->setGeometry(s.Rect(label.left, 840, label.width, 195));
    }

    m_model = new EventListModel(this);
    m_grdLog = new QTableView(this);
    m_grdLog->setObjectName(QStringLiteral("grdLog"));
    m_grdLog->setModel(m_model);
    m_grdLog->setGeometry(s.Rect(120, 1080, 4815, 2415));
    m_grdLog->horizontalHeader()->hide();
    m_grdLog->verticalHeader()->hide();
    // Rows of one fixed height: a million rows cost nothing to lay out.
    m_grdLog->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grdLog->verticalHeader()->setDefaultSectionSize(m_grdLog->fontMetrics().height() + 4);
    m_grdLog->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grdLog->setColumnWidth(0, s.X(1500));
    m_grdLog->setColumnWidth(1, s.X(1000));
    m_grdLog->setColumnWidth(2, s.X(4815 - 1500 - 1000 - 330));
    m_grdLog->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grdLog->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grdLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grdLog->setWordWrap(false);
    connect(m_grdLog->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &frmEditLog::OnCurrentRowChanged);

    m_cmdInsert = MakeButton(this, QStringLiteral("&Insert"), "cmdInsert");
    m_cmdDelete = MakeButton(this, QStringLiteral("&Delete"), "cmdDelete");
    m_cmdSave = MakeButton(this, QStringLiteral("&Save"), "cmdSave");
    m_cmdClose = MakeButton(this, QStringLiteral("&Close"), "cmdClose");
    m_cmdInsert->setGeometry(s.Rect(5100, 300, 1155, 315));
    m_cmdDelete->setGeometry(s.Rect(5100, 1080, 1155, 315));
    m_cmdSave->setGeometry(s.Rect(5100, 2700, 1155, 315));
    m_cmdClose->setGeometry(s.Rect(5100, 3180, 1155, 315));
    for (QPushButton* button : {m_cmdInsert, m_cmdDelete, m_cmdSave, m_cmdClose})
        button->setFixedHeight(std::max(button->height(), button->sizeHint().height()));
    m_cmdInsert->raise();
    connect(m_cmdInsert, &QPushButton::clicked, this, &frmEditLog::InsertClicked);
    connect(m_cmdDelete, &QPushButton::clicked, this, &frmEditLog::DeleteClicked);
    connect(m_cmdSave, &QPushButton::clicked, this, &frmEditLog::SaveClicked);
    // The Cancel button: Esc closes the editor as the button does (QDialog::reject).
    connect(m_cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    QWidget::setTabOrder(m_cmdClose, m_cmdSave);
    QWidget::setTabOrder(m_cmdSave, m_cmdDelete);
    QWidget::setTabOrder(m_cmdDelete, m_grdLog);
    QWidget::setTabOrder(m_grdLog, m_txtMessage[0]);
    QWidget::setTabOrder(m_txtMessage[0], m_txtMessage[1]);
    QWidget::setTabOrder(m_txtMessage[1], m_txtMessage[2]);
    QWidget::setTabOrder(m_txtMessage[2], m_cmdInsert);
    m_cmdClose->setFocus();
}

void frmEditLog::LoadLog()
{
    EventList events;
    QString error;
    if (!ReadSessionLog(m_places.programDir, events, &error)) {
        QApplication::restoreOverrideCursor();
        MessageBox::Show(this,
                         QStringLiteral("Error occured while reading log!\r\nLog could not be "
                                        "opened.\r\n") +
                             error,
                         MessageBox::Icon::Exclamation);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    m_model->SetEvents(events);
    if (m_model->rowCount() > 0)
        m_grdLog->setCurrentIndex(m_model->index(0, 0));
}

void frmEditLog::OnCurrentRowChanged()
{
    const QStringList texts = m_model->RowTexts(m_grdLog->currentIndex().row());
    if (texts.isEmpty())
        return;
    for (std::size_t i = 0; i < m_txtMessage.size(); ++i)
        m_txtMessage[i]->setText(texts.value(static_cast<int>(i)));
}

bool frmEditLog::CheckBox(int box, bool valid, const QString& need)
{
    if (valid)
        return true;
    MessageBox::Show(this, QStringLiteral("Value not valid!\r\nThe value must be ") + need,
                     MessageBox::Icon::Exclamation);
    m_txtMessage[static_cast<std::size_t>(box)]->setFocus();
    return false;
}

void frmEditLog::InsertClicked()
{
    QStringList texts;
    for (const QLineEdit* box : m_txtMessage)
        texts << box->text();
    // Whether a number fits its field is first found out when saving.
    if (!CheckBox(0, ParseEventTime(texts[0]).has_value(), QStringLiteral("date and time.")) ||
        !CheckBox(1, ParseNumber(texts[1]).has_value(),
                  QStringLiteral("a number of type Integer.")) ||
        !CheckBox(2, ParseNumber(texts[2]).has_value(), QStringLiteral("a number of type Long.")))
        return;
    const int row = std::max(m_grdLog->currentIndex().row(), 0);
    m_model->InsertTyped(row, texts);
    m_grdLog->setCurrentIndex(m_model->index(row, 0));
}

void frmEditLog::DeleteClicked()
{
    const auto [first, last] = SelectedRows(m_grdLog);
    if (first < 0 || last >= m_model->rowCount())
        return;
    m_model->RemoveRowRange(first, last);
    // The selection stays on the row that followed the deleted ones.
    if (m_model->rowCount() == 0)
        return;
    const QModelIndex next = m_model->index(std::min(first, m_model->rowCount() - 1), 0);
    m_grdLog->selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
}

void frmEditLog::SaveClicked()
{
    if (MessageBox::Confirm(this, kSaveQuestion, QStringLiteral("Save Changes?")) !=
        MessageBox::Answer::Ok)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    EventListModel::ConversionError conversion;
    const std::optional<EventList> events = m_model->ToEvents(&conversion);
    ReplaceResult result;
    const bool saved = events && SaveEditedLog(UpdateSettingsFor(m_places), *events, &result);
    QApplication::restoreOverrideCursor();
    if (!saved) {
        const int number = events ? result.errorNumber : conversion.errorNumber;
        const QString reason =
            events ? result.error
                   : QStringLiteral("Row %1: %2").arg(conversion.row + 1).arg(conversion.reason);
        if (result.logOnlyInBackup)
            MessageBox::Show(
                this, LogDestroyedText(QDir(m_places.programDir).filePath(kSessionLogBackupName)),
                MessageBox::Icon::Exclamation);
        MessageBox::Show(
            this,
            QStringLiteral("Error %1 occured. Could not save file.\r\n%2").arg(number).arg(reason),
            MessageBox::Icon::Information);
        return;
    }
    const int current = m_grdLog->currentIndex().row();
    m_model->SetEvents(*events);
    if (m_model->rowCount() > 0)
        m_grdLog->setCurrentIndex(
            m_model->index(std::clamp(current, 0, m_model->rowCount() - 1), 0));
    MessageBox::Show(this,
                     result.backedUp
                         ? QStringLiteral("New log saved, your original log is copied to ") +
                               kSessionLogBackupName + QStringLiteral(".")
                         : QStringLiteral("New log saved."),
                     MessageBox::Icon::Information);
}

frmEditLog* OpenLogEditor(frmMain& window)
{
    if (auto* open = window.findChild<frmEditLog*>()) {
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* editor = new frmEditLog(window.WindowPlaces(), &window);
    editor->show();
    return editor;
}

} // namespace dialtally
