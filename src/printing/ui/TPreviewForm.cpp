#include "printing/ui/TPreviewForm.h"

#include "common/ProfileFile.h"
#include "common/ui/Placement.h"
#include "help/ui/ShowHelp.h"
#include "printing/ui/PreviewPage.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace brindle::printing {

namespace {
constexpr double kMinZoom = 5.0;
constexpr double kMaxZoom = 800.0;
}  // namespace

const std::vector<int>& TPreviewForm::zoomSteps() {
    static const std::vector<int> steps{10, 25, 50, 75, 100, 125, 150, 200, 300, 400, 600, 800};
    return steps;
}

TPreviewForm::TPreviewForm(RecordedDocument document, const QString& title, int zoomMode,
                           common::ProfileFile* settings, QWidget* mainWindow)
    : QDialog(mainWindow), m_doc(std::move(document)), m_settings(settings), m_mainWindow(mainWindow) {
    setObjectName(QStringLiteral("TPreviewForm"));
    setWindowTitle(title);
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    auto* bar = new QHBoxLayout;
    auto button = [&](const QString& name, const QString& text, const QString& tip) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoDefault(false);
        bar->addWidget(b);
        return b;
    };
    QPushButton* ok = button(QStringLiteral("okButton"), tr("Ok"), tr("Close the preview"));
    ok->setDefault(true);
    bar->addSpacing(8);
    QPushButton* zin = button(QStringLiteral("zoomInButton"), tr("Zoom &In"), tr("Zoom in"));
    QPushButton* zout = button(QStringLiteral("zoomOutButton"), tr("Zoom &Out"), tr("Zoom out"));
    QPushButton* width = button(QStringLiteral("pageWidthButton"), tr("Page &Width"), tr("Zoom to page width"));
    QPushButton* whole = button(QStringLiteral("wholePageButton"), tr("W&hole Page"), tr("Zoom to whole page"));
    QPushButton* hundred = button(QStringLiteral("zoom100Button"), tr("100%"), tr("Actual size"));
    bar->addSpacing(8);
    m_first = button(QStringLiteral("firstButton"), tr("|<"), tr("First page"));
    m_prior = button(QStringLiteral("priorButton"), tr("<"), tr("Previous page"));
    m_next = button(QStringLiteral("nextButton"), tr(">"), tr("Next page"));
    m_last = button(QStringLiteral("lastButton"), tr(">|"), tr("Last page"));
    bar->addStretch(1);
    QPushButton* help = button(QStringLiteral("helpButton"), tr("&Help"), tr("Help on the preview"));

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("pageScroll"));
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setFocusPolicy(Qt::StrongFocus);
    m_scroll->installEventFilter(this);
    m_pageArea = new PreviewPage;
    m_pageArea->setObjectName(QStringLiteral("pageArea"));
    m_scroll->setWidget(m_pageArea);
    m_scroll->setWidgetResizable(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_scroll, 1);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(zin, &QPushButton::clicked, this, &TPreviewForm::zoomIn);
    connect(zout, &QPushButton::clicked, this, &TPreviewForm::zoomOut);
    connect(width, &QPushButton::clicked, this, &TPreviewForm::zoomToPageWidth);
    connect(whole, &QPushButton::clicked, this, &TPreviewForm::zoomToWholePage);
    connect(hundred, &QPushButton::clicked, this, [this] { setZoomPercent(100); });
    connect(m_first, &QPushButton::clicked, this, &TPreviewForm::firstPage);
    connect(m_prior, &QPushButton::clicked, this, &TPreviewForm::priorPage);
    connect(m_next, &QPushButton::clicked, this, &TPreviewForm::nextPage);
    connect(m_last, &QPushButton::clicked, this, &TPreviewForm::lastPage);
    connect(help, &QPushButton::clicked, this, [this] { help::showHelpTopic(help::topic::PrintPreview, this); });
    connect(m_pageArea, &PreviewPage::pressed, this, &TPreviewForm::magnify);
    help::installHelpKey(this, help::topic::PrintPreview);

    const bool paging = pageCount() >= 2;
    for (QPushButton* b : {m_first, m_prior, m_next, m_last}) b->setVisible(paging);

    m_page = pageCount() > 0 ? 1 : 0;
    m_pageArea->setPage(m_page > 0 ? &m_doc.pages[0] : nullptr, currentPaper());
    resize(760, 820);
    m_mode = zoomMode == kWholePage || zoomMode == kPageWidth ? zoomMode : 0;
    if (m_mode == 0) m_zoom = std::clamp(double(zoomMode), kMinZoom, kMaxZoom);
    applyMode();
    m_scroll->setFocus();
}

TPreviewForm::~TPreviewForm() = default;

QSizeF TPreviewForm::currentPaper() const {
    if (m_page > 0) return m_doc.pages[size_t(m_page - 1)].size;
    return QSizeF(8.5, 11.0);
}

void TPreviewForm::showEvent(QShowEvent* event) {
    if (!m_placed) {
        m_placed = true;
        if (m_settings) {
            try {
                common::restorePlacement(this, QStringLiteral("TPreviewForm"), *m_settings, m_mainWindow);
            } catch (const std::exception&) {
                // The placement is a convenience; an unwritable settings file
                // must not keep the preview from opening.
            }
        }
    }
    QDialog::showEvent(event);
    applyMode();
}

void TPreviewForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (m_mode != 0) applyMode();
}

void TPreviewForm::done(int result) {
    if (m_settings && m_placed) {
        try {
            common::savePlacement(this, QStringLiteral("TPreviewForm"), *m_settings);
        } catch (const std::exception&) {
        }
    }
    QDialog::done(result);
}

// Zoom for the fit modes from the room the scroll area offers.
void TPreviewForm::applyMode() {
    if (m_mode == 0) {
        applyZoom(m_zoom);
        return;
    }
    const QSizeF paper = currentPaper();
    const int frame = 2 * m_scroll->frameWidth();
    // Two pixels to spare: a page that overflows by one pixel would bring in
    // both scroll bars.
    const double roomW = m_scroll->width() - frame - 2 * PreviewPage::kPad - 2;
    const double roomH = m_scroll->height() - frame - 2 * PreviewPage::kPad - 2;
    double percent;
    if (m_mode == kPageWidth) {
        // Leave room for the vertical scroll bar that a page taller than the
        // window brings along.
        const double w = roomW - m_scroll->verticalScrollBar()->sizeHint().width();
        percent = w / (paper.width() * PreviewPage::kPixelsPerInchAt100) * 100.0;
    } else {
        percent = std::min(roomW / (paper.width() * PreviewPage::kPixelsPerInchAt100),
                           roomH / (paper.height() * PreviewPage::kPixelsPerInchAt100)) *
                  100.0;
    }
    applyZoom(std::clamp(percent, kMinZoom, kMaxZoom));
}

void TPreviewForm::applyZoom(double percent, const QPointF* anchorInches, const QPoint* anchorViewport) {
    m_zoom = percent;
    m_pageArea->setZoomPercent(percent);
    if (anchorInches && anchorViewport) {
        // Keep the clicked point of the paper under the mouse.
        m_scroll->widget()->adjustSize();
        const QPointF at = m_pageArea->toWidget(*anchorInches);
        m_scroll->horizontalScrollBar()->setValue(int(at.x()) - anchorViewport->x());
        m_scroll->verticalScrollBar()->setValue(int(at.y()) - anchorViewport->y());
    }
    updateTitle();
}

void TPreviewForm::setZoomPercent(double percent) {
    m_mode = 0;
    applyZoom(std::clamp(percent, kMinZoom, kMaxZoom));
}

void TPreviewForm::zoomToPageWidth() {
    m_mode = kPageWidth;
    applyMode();
}

void TPreviewForm::zoomToWholePage() {
    m_mode = kWholePage;
    applyMode();
}

namespace {
// The next step above (or below) the current zoom; a zoom between steps goes
// to the neighbouring step, not past it.
double stepFrom(double zoom, bool up) {
    const auto& steps = TPreviewForm::zoomSteps();
    const double current = std::round(zoom * 100.0) / 100.0;
    if (up) {
        for (int s : steps)
            if (s > current + 0.01) return s;
        return steps.back();
    }
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        if (*it < current - 0.01) return *it;
    return steps.front();
}
}  // namespace

void TPreviewForm::zoomIn() { setZoomPercent(stepFrom(m_zoom, true)); }

void TPreviewForm::zoomOut() { setZoomPercent(stepFrom(m_zoom, false)); }

void TPreviewForm::magnify(QPointF inches, QPoint widgetPos, Qt::MouseButton button) {
    const QPoint viewportPos = m_pageArea->mapTo(m_scroll->viewport(), widgetPos);
    m_mode = 0;
    const double target = stepFrom(m_zoom, button == Qt::LeftButton);
    applyZoom(target, &inches, &viewportPos);
}

void TPreviewForm::goToPage(int page) {
    if (pageCount() == 0) return;
    page = std::clamp(page, 1, pageCount());
    if (page == m_page) return;
    const QSizeF before = currentPaper();
    m_page = page;
    m_pageArea->setPage(&m_doc.pages[size_t(page - 1)], currentPaper());
    m_scroll->verticalScrollBar()->setValue(0);
    if (m_mode != 0 && before != currentPaper()) applyMode();
    else updateTitle();
}

void TPreviewForm::updateTitle() {
    setWindowTitle(QStringLiteral("Preview Page %1 of %2 ( %3% )")
                       .arg(m_page)
                       .arg(pageCount())
                       .arg(qRound(m_zoom)));
}

bool TPreviewForm::handleKey(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageUp: priorPage(); return true;
    case Qt::Key_PageDown: nextPage(); return true;
    case Qt::Key_Home: firstPage(); return true;
    case Qt::Key_End: lastPage(); return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomIn(); return true;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: zoomOut(); return true;
    default: return false;
    }
}

void TPreviewForm::keyPressEvent(QKeyEvent* event) {
    if (handleKey(event)) return;
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        QScrollBar* bar = m_scroll->verticalScrollBar();
        bar->setValue(bar->value() + (event->key() == Qt::Key_Up ? -1 : 1) * bar->singleStep());
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TPreviewForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_scroll && event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void showPreview(RecordedDocument document, const QString& title, int zoomMode, common::ProfileFile* settings,
                 QWidget* mainWindow) {
    TPreviewForm form(std::move(document), title, zoomMode, settings, mainWindow);
    form.exec();
}

}  // namespace brindle::printing
