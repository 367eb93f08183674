#include "labels/ui/TLabelPrinter.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "printing/PageCanvas.h"

namespace brindle::labels::ui {

TLabelPrinter::TLabelPrinter(LabelJob job, LabelDesign& design, LabelRecords& records, printing::PageCanvas& canvas,
                             common::UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      engine_(LabelJob(job), design, records, canvas),
      canvas_(canvas),
      status_(job.preview, dialogs) {
    setObjectName(QStringLiteral("Print Status Screen"));
    auto* layout = new QVBoxLayout(this);
    statusArea_ = new QLabel(this);
    statusArea_->setObjectName(QStringLiteral("statusArea"));
    statusArea_->setFrameStyle(QFrame::Box | QFrame::Sunken);
    statusArea_->setAlignment(Qt::AlignCenter);
    statusArea_->setMinimumSize(320, 110);
    statusArea_->setWordWrap(true);
    QFont bold(QStringLiteral("Arial"));
    bold.setPointSize(10);
    bold.setBold(true);
    statusArea_->setFont(bold);
    layout->addWidget(statusArea_);
    auto* row = new QHBoxLayout;
    button_ = new QPushButton(this);
    button_->setObjectName(QStringLiteral("statusButton"));
    button_->setDefault(true);
    row->addStretch(1);
    row->addWidget(button_);
    row->addStretch(1);
    layout->addLayout(row);
    connect(button_, &QPushButton::clicked, this, [this] {
        if (status_.buttonClicked()) accept();
    });
    status_.changed = [this] { showState(); };
    canvas_.setStatusHandler([this](const QString& text) { status_.setStatus(text); });
    showState();
}

TLabelPrinter::~TLabelPrinter() { canvas_.setStatusHandler({}); }

void TLabelPrinter::showState() {
    setWindowTitle(status_.caption());
    button_->setText(status_.buttonCaption());
    statusArea_->setText(status_.statusText());
}

int TLabelPrinter::exec() {
    QTimer::singleShot(0, this, [this] { runJob(); });
    return QDialog::exec();
}

void TLabelPrinter::runJob() {
    if (started_) return;
    started_ = true;
    result_ = engine_.run(status_);
    finished_ = true;
    const int page = canvas_.pageNumber();
    status_.finish(result_, page);
    if (status_.closesItself()) accept();
}

// Escape and the title bar's close act as the button does.
void TLabelPrinter::reject() {
    if (!started_ || finished_) {
        QDialog::reject();
        return;
    }
    status_.buttonClicked();
}

}  // namespace brindle::labels::ui
