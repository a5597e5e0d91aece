#include "ui/frmeditlog.h"

#include "analysis/formatting.h"
#include "log/maintenance.h"
#include "ui/eventlistmodel.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"
#include "ui/pagecontrols.h"

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
    // The time column and its box grow to the widest time of the user's locale, the boxes come
    // down below the frame's caption; the controls to the right and below move with them.
    const QFontMetrics metrics(font());
    const int timeWidth =
        metrics.horizontalAdvance(FormatDateTime(*MakeDateTime(2024, 12, 28, 22, 58, 58))) + 14;
    const int dx = std::max(0, timeWidth - s.X(1500));
    auto* probe = new QLineEdit(this);
    const int boxHeight = std::max(s.Y(285), probe->sizeHint().height());
    delete probe;
    const int boxTop = std::max(s.Y(240), metrics.height() + 6);
    const int frameHeight = std::max(s.Y(675), boxTop + boxHeight + 8);
    const int dy = frameHeight - s.Y(675);
    setFixedSize(s.X(6360) + dx, s.Y(3615) + dy);

    m_frame1 = new QGroupBox(QStringLiteral("Insert Message"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(s.X(60), s.Y(60), s.X(6255) + dx, frameHeight);
    const int boxes[3][3] = {{60, 1455, 0}, {1620, 1000, 1}, {2700, 2115, 1}};
    for (std::size_t i = 0; i < m_txtMessage.size(); ++i) {
        auto* box = new QLineEdit(m_frame1);
        box->setObjectName(QStringLiteral("txtMessage%1").arg(i));
        const int grow = i == 0 ? dx : 0;
        box->setGeometry(s.X(boxes[i][0]) + dx * boxes[i][2], boxTop, s.X(boxes[i][1]) + grow,
                         boxHeight);
        m_txtMessage[i] = box;
    }
    m_txtMessage[2]->setText(QStringLiteral("0"));

    const struct {
        const char* caption;
        const char* name;
        int left, width, shift;
    } labels[] = {{"Time", "Label1", 120, 1335, 0},
                  {"Message", "Label2", 1740, 975, 1},
                  {"Data", "Label3", 3120, 1695, 1}};
    for (const auto& label : labels) {
        auto* widget = new QLabel(QString::fromLatin1(label.caption), this);
        widget->setObjectName(QString::fromLatin1(label.name));
        widget->setGeometry(s.X(label.left) + dx * label.shift, s.Y(840) + dy, s.X(label.width),
                            std::max(s.Y(195), metrics.height()));
    }

    m_model = new EventListModel(this);
    m_grdLog = new QTableView(this);
    m_grdLog->setObjectName(QStringLiteral("grdLog"));
    m_grdLog->setModel(m_model);
    m_grdLog->setGeometry(s.X(120), s.Y(1080) + dy, s.X(4815) + dx, s.Y(2415));
    m_grdLog->horizontalHeader()->hide();
    m_grdLog->verticalHeader()->hide();
    // Rows of one fixed height: a million rows cost nothing to lay out.
    m_grdLog->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grdLog->verticalHeader()->setDefaultSectionSize(m_grdLog->fontMetrics().height() + 4);
    m_grdLog->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grdLog->setColumnWidth(0, s.X(1500) + dx);
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
    // Insert stands on the line of the boxes.
    m_cmdInsert->setGeometry(s.X(5100) + dx, s.Y(60) + boxTop, s.X(1155), boxHeight);
    m_cmdDelete->setGeometry(s.X(5100) + dx, s.Y(1080) + dy, s.X(1155), s.Y(315));
    m_cmdSave->setGeometry(s.X(5100) + dx, s.Y(2700) + dy, s.X(1155), s.Y(315));
    m_cmdClose->setGeometry(s.X(5100) + dx, s.Y(3180) + dy, s.X(1155), s.Y(315));
    for (QPushButton* button : {m_cmdDelete, m_cmdSave, m_cmdClose})
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
