#include "ui/frmcompare.h"

#include "report/comparisongraph.h"
#include "ui/gridtextmodel.h"
#include "ui/picturebox.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace dialtally {
namespace {

constexpr double kTwipsPerPixel = 15.0;

std::vector<Qt::Alignment> Alignments(qsizetype columns)
{
    std::vector<Qt::Alignment> alignments(static_cast<std::size_t>(columns),
                                          Qt::AlignRight | Qt::AlignVCenter);
    alignments.front() = alignments.back() = Qt::AlignLeft | Qt::AlignVCenter;
    return alignments;
}

QString Note(const TariffComparison& comparison)
{
    if (comparison.names.size() < 2)
        return QStringLiteral("No saved tariffs to compare with. Save the tariff in force under a "
                              "name with: dialtally-cli tariff save NAME");
    if (comparison.months.empty())
        return QStringLiteral("The log holds no sessions to price.");
    const std::size_t cheapest = comparison.cheapest;
    if (cheapest == 0)
        return QStringLiteral("The tariff in force is the cheapest.");
    return QStringLiteral("%1 would have cost %2 less than the tariff in force.")
        .arg(comparison.names[cheapest],
             QLocale().toCurrencyString(-comparison.Difference(cheapest)));
}

} // namespace

frmCompare::frmCompare(TariffComparison comparison, QWidget* parent)
    : QDialog(parent), m_comparison(std::move(comparison))
{
    setObjectName(QStringLiteral("frmCompare"));
    setWindowTitle(QStringLiteral("Compare Tariffs"));
    std::vector<QStringList> table = ComparisonTable(m_comparison, true);
    const QStringList headers = table.front();
    table.erase(table.begin());
    m_model = new GridTextModel(headers, Alignments(headers.size()), this);
    m_model->SetRows(std::move(table));

    grdCompare = new QTableView(this);
    grdCompare->setObjectName(QStringLiteral("grdCompare"));
    grdCompare->setModel(m_model);
    grdCompare->verticalHeader()->hide();
    grdCompare->setSelectionMode(QAbstractItemView::NoSelection);
    grdCompare->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grdCompare->horizontalHeader()->setStretchLastSection(true);

    picCompare = new PictureBox(this);
    picCompare->setObjectName(QStringLiteral("picCompare"));
    picCompare->setMinimumHeight(220);
    lblNote = new QLabel(Note(m_comparison), this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setWordWrap(true);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblNote, 1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grdCompare, 3);
    layout->addWidget(picCompare, 2);
    layout->addLayout(buttons);
    resize(760, 560);
}

frmCompare::~frmCompare() = default;

void frmCompare::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    RedrawGraph();
}

// The picture follows the box's size; the graph is drawn anew on each new picture.
void frmCompare::RedrawGraph()
{
    picCompare->CreatePicture(Qt::white, kTwipsPerPixel, kTwipsPerPixel);
    m_graph = std::make_unique<clsComparisonGraph>(*picCompare->Surface(), m_comparison);
    m_graph->ReDraw();
}

} // namespace dialtally
