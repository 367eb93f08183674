#include "common/ui/DescriptionGrid.h"

#include <QHeaderView>

namespace brindle::common::ui {

DescriptionGrid::DescriptionGrid(const QString& objectName, const QString& heading, QSize minimum,
                                 const QString& whatsThis, QWidget* parent)
    : QTableWidget(0, 1, parent) {
    setObjectName(objectName);
    setHorizontalHeaderLabels({heading});
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setVisible(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMinimumSize(minimum);
    if (!whatsThis.isEmpty()) setWhatsThis(whatsThis);
}

QTableWidgetItem* DescriptionGrid::makeItem(const QString& text, std::uint32_t recno) {
    auto* item = new QTableWidgetItem(text);
    item->setData(Qt::UserRole, recno);
    return item;
}

std::optional<std::uint32_t> DescriptionGrid::recnoAt(int row) const {
    if (row < 0) return std::nullopt;
    const QTableWidgetItem* it = item(row, 0);
    if (!it) return std::nullopt;
    return it->data(Qt::UserRole).toUInt();
}

void DescriptionGrid::onRowChosen(QObject* context, std::function<void(std::uint32_t recno)> chosen) {
    connect(this, &QTableWidget::currentCellChanged, context, [this, chosen = std::move(chosen)](int row) {
        if (const auto recno = recnoAt(row)) chosen(*recno);
    });
}

}  // namespace brindle::common::ui
