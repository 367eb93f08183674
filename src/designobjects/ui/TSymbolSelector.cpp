#include "designobjects/ui/TSymbolSelector.h"
#include "help/HelpTopics.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "designobjects/FontMetrics.h"
#include "designobjects/SymbolFont.h"
#include "designobjects/ui/DesignDialogRules.h"

namespace brindle::designobjects {

namespace {
constexpr int kCodeRole = Qt::UserRole;
// The largest part of the grid shown without scrolling.
constexpr int kMaxGridWidth = 680;
constexpr int kMaxGridHeight = 400;
}  // namespace

TSymbolSelector::TSymbolSelector(QWidget* parent) : DesignDialog(QStringLiteral("Symbol Selector"), help::topic::SymbolSelector, parent) {
    fontButton_ = new QPushButton(this);
    fontButton_->setObjectName(QStringLiteral("fontButton"));
    fontButton_->setAutoDefault(false);
    grid_ = new QTableWidget(this);
    grid_->setObjectName(QStringLiteral("symbolGrid"));
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(grid_, &QTableWidget::itemDoubleClicked, this, [this](QTableWidgetItem* item) {
        if (item && item->data(kCodeRole).isValid()) accept();
    });
    connect(fontButton_, &QPushButton::clicked, this, &TSymbolSelector::chooseFont);

    auto* content = new QVBoxLayout;
    content->addWidget(fontButton_, 0, Qt::AlignLeft);
    content->addWidget(grid_, 1);
    setContent(content);

    DesignFont f;
    f.name = QStringLiteral("WingDings");
    f.setPointSize(24);
    setSymbolFont(f);
}

int TSymbolSelector::columns() const { return grid_->columnCount(); }

void TSymbolSelector::setSymbolFont(const DesignFont& font) {
    const std::optional<int> keep = selectedCode();
    font_ = font;
    fontButton_->setText(symbolFontCaption(font_));
    fillGrid();
    if (keep) setSymbol(symbolChar(*keep));
}

void TSymbolSelector::fillGrid() {
    const int cols = symbolGridColumns(font_.pointSize());
    const int rows = (kSymbolCount + cols - 1) / cols;
    const QFont drawFont = drawingFont(font_);
    const QColor ink = toQColor(font_.color);
    const QFontMetrics fm(drawFont);
    const int side = std::max(24, fm.height() + 8);

    grid_->clear();
    grid_->setColumnCount(cols);
    grid_->setRowCount(rows);
    for (int i = 0; i < rows * cols; ++i) {
        auto* item = new QTableWidgetItem;
        const int code = kFirstSymbolCode + i;
        if (code <= kLastSymbolCode) {
            item->setText(drawableText(font_.name, QString(symbolChar(code))));
            item->setFont(drawFont);
            item->setForeground(ink);
            item->setTextAlignment(Qt::AlignCenter);
            item->setData(kCodeRole, code);
            item->setToolTip(QString::number(code));
        } else {
            item->setFlags(Qt::NoItemFlags);  // the rest of the last row
        }
        grid_->setItem(i / cols, i % cols, item);
    }
    for (int c = 0; c < cols; ++c) grid_->setColumnWidth(c, side);
    for (int r = 0; r < rows; ++r) grid_->setRowHeight(r, side);

    const int frame = 2 * grid_->frameWidth();
    const int bar = grid_->verticalScrollBar()->sizeHint().width();
    grid_->setFixedSize(std::min(cols * side, kMaxGridWidth) + frame + bar,
                        std::min(rows * side, kMaxGridHeight) + frame);
    adjustSize();
}

void TSymbolSelector::setSymbol(QChar c) {
    grid_->clearSelection();
    const int code = symbolCode(c);
    if (code < kFirstSymbolCode || code > kLastSymbolCode) {
        grid_->setCurrentItem(nullptr);
        return;
    }
    const int i = code - kFirstSymbolCode;
    const int cols = grid_->columnCount();
    QTableWidgetItem* item = grid_->item(i / cols, i % cols);
    grid_->setCurrentItem(item);
    item->setSelected(true);
    grid_->scrollToItem(item);
}

std::optional<int> TSymbolSelector::selectedCode() const {
    const QList<QTableWidgetItem*> chosen = grid_->selectedItems();
    if (chosen.isEmpty() || !chosen.front()->data(kCodeRole).isValid()) return std::nullopt;
    return chosen.front()->data(kCodeRole).toInt();
}

std::optional<QChar> TSymbolSelector::symbol() const {
    if (auto code = selectedCode()) return symbolChar(*code);
    return std::nullopt;
}

void TSymbolSelector::chooseFont() {
    if (!chooser_) return;
    if (auto f = chooser_(font_)) setSymbolFont(*f);
}

}  // namespace brindle::designobjects
