#include "transfer/ui/MatchWindows.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "help/HelpTopics.h"
#include "store/Table.h"

namespace brindle::transfer::ui {

namespace {

QTableWidget* makeGrid(QWidget* parent, const QString& name) {
    auto* g = new QTableWidget(parent);
    g->setObjectName(name);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->verticalHeader()->setDefaultSectionSize(g->fontMetrics().height() + 6);
    g->setStyleSheet(QStringLiteral("QTableWidget { background: white; color: black; }"
                                    "QTableWidget::item:selected { background: #0000A0; color: white; }"
                                    "QHeaderView::section { background: silver; color: black; }"));
    return g;
}

}  // namespace

FieldMatchWindow::FieldMatchWindow(int helpTopic, const QString& caption, const QString& sourceTitle,
                                   const QString& fileName, FieldMatching matching,
                                   std::function<bool(int, int)> allowed, QWidget* parent)
    : HelpDialog(helpTopic, parent), matching_(std::move(matching)), allowed_(std::move(allowed)) {
    setWindowTitle(caption);
    setSizeGripEnabled(true);
    auto* sourceBox = new QGroupBox(sourceTitle, this);
    sourceGrid_ = makeGrid(sourceBox, QStringLiteral("sourceGrid"));
    sourceGrid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    sourceGrid_->setWhatsThis(QStringLiteral("What the file holds, split into the fields that can be matched."));
    (new QVBoxLayout(sourceBox))->addWidget(sourceGrid_);

    auto* matchBox = new QGroupBox(QStringLiteral("Field Match"), this);
    matchGrid_ = makeGrid(matchBox, QStringLiteral("matchGrid"));
    matchGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    matchGrid_->setColumnCount(2);
    matchGrid_->setHorizontalHeaderLabels(
        {QStringLiteral("Brindle Field"), QStringLiteral("Import from Field (in %1)").arg(fileName)});
    matchGrid_->horizontalHeader()->setStretchLastSection(true);
    matchGrid_->verticalHeader()->hide();
    matchGrid_->setRowCount(matching_.rowCount());
    matchGrid_->setWhatsThis(QStringLiteral(
        "Each address field and the field of the file that fills it. Double-click a row to choose."));
    for (int r = 0; r < matching_.rowCount(); ++r)
        matchGrid_->setItem(r, 0, new QTableWidgetItem(matching_.target(r).label));
    matchGrid_->resizeColumnToContents(0);
    connect(matchGrid_, &QTableWidget::cellDoubleClicked, this, [this](int, int) { selectFieldClicked(); });
    auto* matchLayout = new QVBoxLayout(matchBox);
    matchLayout->addWidget(matchGrid_);

    auto* select = address::ui::plainButton(QStringLiteral("&Select Field"), QStringLiteral("selectFieldButton"), this);
    auto* clear = address::ui::plainButton(QStringLiteral("&Clear Current"), QStringLiteral("clearCurrentButton"), this);
    auto* clearAll = address::ui::plainButton(QStringLiteral("Clear &All"), QStringLiteral("clearAllButton"), this);
    select->setWhatsThis(QStringLiteral("Choose the field of the file that fills the selected address field."));
    clear->setWhatsThis(QStringLiteral("The selected address field is filled from nothing."));
    clearAll->setWhatsThis(QStringLiteral("No address field is filled from the file."));
    connect(select, &QPushButton::clicked, this, &FieldMatchWindow::selectFieldClicked);
    connect(clear, &QPushButton::clicked, this, &FieldMatchWindow::clearCurrentClicked);
    connect(clearAll, &QPushButton::clicked, this, &FieldMatchWindow::clearAllClicked);
    auto* rowButtons = new QHBoxLayout;
    rowButtons->addWidget(select);
    rowButtons->addWidget(clear);
    rowButtons->addWidget(clearAll);
    matchLayout->addLayout(rowButtons);

    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = address::ui::plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(makeHelpButton());

    auto* grids = new QHBoxLayout;
    grids->addWidget(sourceBox, 3);
    grids->addWidget(matchBox, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grids);
    layout->addLayout(buttons);
    resize(980, 560);
    showMatches();
    matchGrid_->setCurrentCell(0, 1);
}

void FieldMatchWindow::showMatches() {
    for (int r = 0; r < matching_.rowCount(); ++r) {
        const int s = matching_.sourceAt(r);
        matchGrid_->setItem(r, 1, new QTableWidgetItem(s >= 0 ? matching_.sourceName(s) : QString()));
    }
}

QMenu* FieldMatchWindow::fieldMenu(int row) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("fieldMenu"));
    const int current = matching_.sourceAt(row);
    QAction* none = menu->addAction(QStringLiteral("(none)"));
    none->setCheckable(true);
    none->setChecked(current < 0);
    connect(none, &QAction::triggered, this, [this] { chooseForCurrentRow(-1); });
    for (int s = 0; s < matching_.sourceCount(); ++s) {
        if (allowed_ && !allowed_(s, row)) continue;
        QAction* a = menu->addAction(matching_.sourceName(s));
        a->setCheckable(true);
        a->setChecked(s == current);
        connect(a, &QAction::triggered, this, [this, s] { chooseForCurrentRow(s); });
    }
    return menu;
}

void FieldMatchWindow::chooseForCurrentRow(int source) {
    const int row = matchGrid_->currentRow();
    if (row < 0) return;
    matching_.choose(row, source);
    showMatches();
}

void FieldMatchWindow::selectFieldClicked() {
    const int row = matchGrid_->currentRow();
    if (row < 0) return;
    QMenu* menu = fieldMenu(row);
    const QRect cell = matchGrid_->visualItemRect(matchGrid_->item(row, 1));
    menu->exec(matchGrid_->viewport()->mapToGlobal(cell.bottomLeft()));
    menu->deleteLater();
}

void FieldMatchWindow::clearCurrentClicked() { chooseForCurrentRow(-1); }

void FieldMatchWindow::clearAllClicked() {
    matching_.clearAll();
    showMatches();
}

TAsciiMatch::TAsciiMatch(const CsvSample& sample, const QString& fileName, const FieldMatching& matching, QWidget* parent)
    : FieldMatchWindow(help::topic::AsciiMatch, QStringLiteral("ASCII File Import Match Fields"),
                       QStringLiteral("Sample ASCII Fields"), fileName, matching, {}, parent) {
    QTableWidget* g = sourceGrid_;
    g->setColumnCount(sample.columnCount());
    QStringList titles;
    for (const QString& n : sample.names) titles << n;
    g->setHorizontalHeaderLabels(titles);
    g->setRowCount(static_cast<int>(sample.rows.size()));
    for (std::size_t r = 0; r < sample.rows.size(); ++r)
        for (std::size_t c = 0; c < sample.rows[r].size(); ++c)
            g->setItem(static_cast<int>(r), static_cast<int>(c), new QTableWidgetItem(sample.rows[r][c]));
    // As wide as the longest value in W's, at least "Field 12", at most two inches.
    const QFontMetrics fm(g->font());
    const int w = fm.horizontalAdvance(QLatin1Char('W'));
    const int least = fm.horizontalAdvance(QStringLiteral("Field 12")) + 12;
    const int most = logicalDpiX() * 2;
    for (int c = 0; c < sample.columnCount(); ++c) {
        const int wanted = std::max(w * sample.longest[static_cast<std::size_t>(c)],
                                    fm.horizontalAdvance(sample.names[static_cast<std::size_t>(c)]) + 12);
        g->setColumnWidth(c, std::clamp(wanted, least, most));
    }
}

namespace {

constexpr int kBrowseRows = 500;

}  // namespace

TDBFMatch::TDBFMatch(store::Table& source, const std::vector<SourceField>& fields, const QString& fileName,
                     const FieldMatching& matching, QWidget* parent)
    : FieldMatchWindow(help::topic::ImportDbf, QStringLiteral("DBF File Import Match Fields"),
                       QStringLiteral("Import DBF File Browser"), fileName, matching,
                       [fields, this](int s, int r) {
                           return allowedForTarget(fields[static_cast<std::size_t>(s)].type, matching_.target(r));
                       },
                       parent) {
    QTableWidget* g = sourceGrid_;
    g->setColumnCount(static_cast<int>(fields.size()));
    QStringList titles;
    for (const auto& f : fields) titles << f.name;
    g->setHorizontalHeaderLabels(titles);
    const std::uint32_t here = source.hasRecord() ? source.recNo() : 0;
    int row = 0;
    for (bool ok = source.first(); ok && !source.eof() && row < kBrowseRows; ok = source.next(), ++row) {
        g->setRowCount(row + 1);
        for (std::size_t c = 0; c < fields.size(); ++c) {
            QString v = QString::fromStdString(sourceText(source, static_cast<int>(c)));
            if (fields[c].type == 'M') v = v.left(80).replace(QLatin1String("\r\n"), QLatin1String(" "));
            g->setItem(row, static_cast<int>(c), new QTableWidgetItem(v));
        }
    }
    if (here) source.go(here);
    g->resizeColumnsToContents();
    for (int c = 0; c < g->columnCount(); ++c) g->setColumnWidth(c, std::min(g->columnWidth(c), logicalDpiX() * 2));
}

}  // namespace brindle::transfer::ui
