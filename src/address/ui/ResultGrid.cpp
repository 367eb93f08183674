#include "address/ui/ResultGrid.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <functional>

#include "address/AddressFile.h"
#include "address/RecordSession.h"
#include "address/ResultGridModel.h"
#include "address/ui/RecordDialogs.h"
#include "common/UserDialogs.h"
#include "common/ui/Placement.h"

namespace brindle::address::ui {

ResultGrid::ResultGrid(RecordSession& session, common::UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), session_(session), dialogs_(dialogs) {
    model_ = new ResultGridModel(session, this);
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("resultGrid"));
    view_->setModel(model_);
    view_->setSelectionBehavior(QAbstractItemView::SelectItems);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->horizontalHeader()->setSectionsMovable(false);
    // Columns as wide as what they hold (at least their title), within reason.
    view_->resizeColumnsToContents();
    for (int c = 1; c < model_->columnCount(); ++c)
        view_->setColumnWidth(c, std::clamp(view_->columnWidth(c) + 8, 60, 200));

    auto* nav = new QHBoxLayout;
    nav->setSpacing(0);
    const QStyle::StandardPixmap icons[4] = {QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward,
                                             QStyle::SP_MediaSeekForward, QStyle::SP_MediaSkipForward};
    const char* names[4] = {"navFirst", "navPrior", "navNext", "navLast"};
    const char* tips[4] = {"First record", "Prior record", "Next record", "Last record"};
    for (int i = 0; i < 4; ++i) {
        nav_[i] = new QToolButton(this);
        nav_[i]->setObjectName(QString::fromLatin1(names[i]));
        nav_[i]->setIcon(style()->standardIcon(icons[i]));
        nav_[i]->setToolTip(QString::fromLatin1(tips[i]));
        nav_[i]->setAutoRaise(false);
        connect(nav_[i], &QToolButton::clicked, this, [this, i] { go(i); });
        nav->addWidget(nav_[i]);
    }
    nav->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_, 1);
    layout->addLayout(nav);

    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& now, const QModelIndex& before) {
                if (selecting_ || !now.isValid() || now.row() == before.row()) return;
                guarded([&] {
                    if (!model_->setCurrentRow(now.row())) {
                        // The edit of the record being left could not be saved: stay on it.
                        selectCurrent();
                    }
                });
            });
    connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && model_->columns().value(index.column()) == QLatin1String("Tagged")) {
            guarded([&] {
                model_->setCurrentRow(index.row());
                model_->toggleTag();
            });
        }
    });
    connect(model_, &ResultGridModel::currentChanged, this, [this](int) { selectCurrent(); });
    selectCurrent();
}

void ResultGrid::guarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromLocal8Bit(e.what()));
    }
}

void ResultGrid::selectCurrent() {
    const int row = model_->currentRow();
    if (row < 0) return;
    selecting_ = true;
    const int column = view_->currentIndex().isValid() ? view_->currentIndex().column() : 1;
    view_->setCurrentIndex(model_->index(row, column));
    view_->scrollTo(model_->index(row, column));
    // Before the grid is laid out every column looks hidden; start at the left.
    if (!view_->isVisible()) view_->horizontalScrollBar()->setValue(0);
    selecting_ = false;
}

void ResultGrid::reload() {
    guarded([this] { model_->reload(); });
}

void ResultGrid::moveColumn(const QString& field, int position) {
    const int logical = model_->columnOf(field);
    if (logical < 0) return;
    QHeaderView* h = view_->horizontalHeader();
    h->moveSection(h->visualIndex(logical), position);
}

void ResultGrid::go(int which) {
    guarded([&] {
        const int rows = model_->rowCount();
        if (rows == 0) return;
        const int now = std::max(model_->currentRow(), 0);
        int target = now;
        switch (which) {
        case 0: target = 0; break;
        case 1: target = now - 1; break;
        case 2: target = now + 1; break;
        default: target = rows - 1; break;
        }
        if (target < 0 || target >= rows) {
            dialogs_.beep();
            return;
        }
        if (model_->setCurrentRow(target)) selectCurrent();
    });
}

void ResultGrid::editClicked() {
    guarded([this] {
        if (model_->edit()) {
            view_->setFocus();
            if (view_->currentIndex().isValid()) view_->edit(view_->currentIndex());
        }
    });
}

void ResultGrid::saveClicked() {
    guarded([this] {
        // Taking the focus from a cell still open in its editor commits it.
        view_->setFocus();
        model_->save();
        selectCurrent();
    });
}

void ResultGrid::cancelClicked() {
    guarded([this] { model_->cancel(); });
}

void ResultGrid::deleteClicked() {
    guarded([this] {
        if (model_->editing()) model_->save();
        model_->deleteCurrent();
    });
}

void ResultGrid::tagClicked() {
    guarded([this] { model_->toggleTag(); });
}

void ResultGrid::tagAllClicked(const QString& question) {
    guarded([&] {
        if (model_->editing() && !model_->save()) return;
        if (!dialogs_.askYesNo(question, QStringLiteral("TAG ALL"))) return;
        TTagAllRecords dlg(session_, dialogs_, window());
        dlg.adjustSize();
        common::centreWindow(&dlg, window());
        dlg.exec();
        model_->reload();
    });
}

}  // namespace brindle::address::ui
