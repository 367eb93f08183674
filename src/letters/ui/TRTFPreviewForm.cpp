#include "letters/ui/TRTFPreviewForm.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <exception>

#include "common/ProfileFile.h"
#include "common/ui/Placement.h"
#include "help/HelpTopics.h"
#include "help/ui/ShowHelp.h"
#include "printing/ui/PreviewPage.h"

namespace brindle::letters::ui {

LetterPageView::LetterPageView(const LetterPreview& preview, QWidget* parent) : QWidget(parent), m_preview(preview) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(printing::magnifyCursor());
    relayout();
}

void LetterPageView::relayout() {
    setFixedSize(m_preview.viewSize());
    update();
}

void LetterPageView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    m_preview.paint(p, QPoint(LetterPreview::kPad, LetterPreview::kPad));
}

void LetterPageView::mousePressEvent(QMouseEvent* event) {
    emit clicked(event->button());
    event->accept();
}

TRTFPreviewForm::TRTFPreviewForm(const richtext::RichDocument& letterTemplate, PreviewRecords& records,
                                 common::UserDialogs& dialogs, common::ProfileFile* settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_parent(parent) {
    setObjectName(QStringLiteral("TRTFPreviewForm"));
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    m_preview = std::make_unique<LetterPreview>(letterTemplate, records, dialogs);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("pageScroll"));
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setFocusPolicy(Qt::StrongFocus);
    m_scroll->setWidgetResizable(false);
    m_view = new LetterPageView(*m_preview);
    m_view->setObjectName(QStringLiteral("pageView"));
    m_scroll->setWidget(m_view);
    m_scroll->installEventFilter(this);
    m_scroll->viewport()->installEventFilter(this);

    // Record buttons and the line naming the record above; the other buttons below.
    auto* recordBar = new QHBoxLayout;
    auto* bar = new QHBoxLayout;
    QHBoxLayout* into = bar;
    auto button = [&](const char* name, const QString& text, const QString& tip) {
        auto* b = new QPushButton(text, this);
        // As wide as the caption needs: the row must fit a window of a page's width.
        QString plain = text;
        plain.remove(QLatin1Char('&'));
        b->setMaximumWidth(std::max(32, b->fontMetrics().horizontalAdvance(plain) + 24));
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoDefault(false);
        into->addWidget(b);
        return b;
    };
    QPushButton* ok = button("okButton", QStringLiteral("Ok"), QStringLiteral("Close the preview"));
    ok->setDefault(true);
    bar->addSpacing(6);
    m_zoomIn = button("zoomInButton", QStringLiteral("Zoom &In"), QStringLiteral("Zoom in (up to 150 %)"));
    m_zoomOut = button("zoomOutButton", QStringLiteral("Zoom &Out"), QStringLiteral("Zoom out (down to 50 %)"));
    QPushButton* width = button("pageWidthButton", QStringLiteral("Page &Width"), QStringLiteral("Fit the page width"));
    QPushButton* whole = button("wholePageButton", QStringLiteral("W&hole Page"), QStringLiteral("Fit the whole page"));
    bar->addSpacing(6);
    m_prior = button("priorPageButton", QStringLiteral("< Page"), QStringLiteral("Previous page"));
    m_next = button("nextPageButton", QStringLiteral("Page >"), QStringLiteral("Next page"));
    into = recordBar;
    QPushButton* first = button("firstRecordButton", QStringLiteral("|<"), QStringLiteral("First record"));
    QPushButton* prior = button("priorRecordButton", QStringLiteral("<"), QStringLiteral("Previous record"));
    QPushButton* next = button("nextRecordButton", QStringLiteral(">"), QStringLiteral("Next record"));
    QPushButton* last = button("lastRecordButton", QStringLiteral(">|"), QStringLiteral("Last record"));
    into = bar;
    bar->addStretch(1);
    QPushButton* help = button("helpButton", QStringLiteral("Help"), QStringLiteral("Help on the letter preview"));

    m_record = new QLabel(this);
    m_record->setObjectName(QStringLiteral("recordLine"));
    recordBar->addSpacing(6);
    recordBar->addWidget(m_record, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_scroll, 1);
    layout->addLayout(recordBar);
    layout->addLayout(bar);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_zoomIn, &QPushButton::clicked, this, &TRTFPreviewForm::zoomIn);
    connect(m_zoomOut, &QPushButton::clicked, this, &TRTFPreviewForm::zoomOut);
    connect(width, &QPushButton::clicked, this, &TRTFPreviewForm::fitPageWidth);
    connect(whole, &QPushButton::clicked, this, &TRTFPreviewForm::fitWholePage);
    connect(m_prior, &QPushButton::clicked, this, &TRTFPreviewForm::priorPage);
    connect(m_next, &QPushButton::clicked, this, &TRTFPreviewForm::nextPage);
    connect(first, &QPushButton::clicked, this, [this] { moveRecord(RecordMove::First); });
    connect(prior, &QPushButton::clicked, this, [this] { moveRecord(RecordMove::Prior); });
    connect(next, &QPushButton::clicked, this, [this] { moveRecord(RecordMove::Next); });
    connect(last, &QPushButton::clicked, this, [this] { moveRecord(RecordMove::Last); });
    connect(help, &QPushButton::clicked, this, [this] { help::showHelpTopic(help::topic::LetterPreview, this); });
    connect(m_view, &LetterPageView::clicked, this, [this](Qt::MouseButton b) {
        if (b == Qt::LeftButton) zoomIn();
        else if (b == Qt::RightButton) zoomOut();
    });
    help::installHelpKey(this, help::topic::LetterPreview);

    resize(780, 860);
    refresh();
    m_scroll->setFocus();
}

TRTFPreviewForm::~TRTFPreviewForm() = default;

QPushButton* TRTFPreviewForm::button(const QString& objectName) const { return findChild<QPushButton*>(objectName); }

void TRTFPreviewForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_shown) return;
    m_shown = true;
    if (m_settings) {
        try {
            common::restorePlacement(this, objectName(), *m_settings, m_parent);
        } catch (const std::exception&) {
            // The placement is a convenience; an unwritable settings file must
            // not keep the preview from opening.
        }
    }
    fitPageWidth();  // the opening zoom: the page as wide as the window
}

void TRTFPreviewForm::done(int result) {
    if (m_settings && m_shown) {
        try {
            common::savePlacement(this, objectName(), *m_settings);
        } catch (const std::exception&) {
        }
    }
    QDialog::done(result);
}

void TRTFPreviewForm::refresh() {
    m_view->relayout();
    setWindowTitle(m_preview->caption());
    m_zoomIn->setEnabled(LetterPreview::zoomedIn(m_preview->zoom()) != m_preview->zoom());
    m_zoomOut->setEnabled(LetterPreview::zoomedOut(m_preview->zoom()) != m_preview->zoom());
    m_prior->setEnabled(m_preview->hasPriorPage());
    m_next->setEnabled(m_preview->hasNextPage());
    m_record->setText(m_preview->recordText() + QStringLiteral("    Page ") + QString::number(m_preview->pageNumber()) +
                      QStringLiteral("    Zoom ") + QString::number(m_preview->zoom()) + QStringLiteral(" %"));
}

void TRTFPreviewForm::zoomIn() {
    if (m_preview->zoomIn()) refresh();
}

void TRTFPreviewForm::zoomOut() {
    if (m_preview->zoomOut()) refresh();
}

// The room the page has: the scroll area's inside less the grey border, and
// for the width also the vertical scroll bar a page taller than the window
// brings. A few pixels more are kept free, so that a zoom rounded up does not
// bring in a horizontal scroll bar.
void TRTFPreviewForm::fitPageWidth() {
    const int frame = 2 * m_scroll->frameWidth();
    const int room = m_scroll->width() - frame - 2 * LetterPreview::kPad -
                     m_scroll->verticalScrollBar()->sizeHint().width() - 6;
    m_preview->fitPageWidth(room);
    refresh();
}

void TRTFPreviewForm::fitWholePage() {
    const int frame = 2 * m_scroll->frameWidth();
    const QSize room(m_scroll->width() - frame - 2 * LetterPreview::kPad - 6,
                     m_scroll->height() - frame - 2 * LetterPreview::kPad - 6);
    m_preview->fitWholePage(room);
    refresh();
}

void TRTFPreviewForm::nextPage() {
    if (!m_preview->nextPage()) return;
    refresh();
    m_scroll->verticalScrollBar()->setValue(0);
}

void TRTFPreviewForm::priorPage() {
    if (!m_preview->priorPage()) return;
    refresh();
    m_scroll->verticalScrollBar()->setValue(0);
}

void TRTFPreviewForm::moveRecord(RecordMove where) {
    if (!m_preview->moveRecord(where)) return;
    refresh();
    m_scroll->verticalScrollBar()->setValue(0);
}

// Page Down scrolls a screen; at the bottom of the page it turns to the next
// page's top. Page Up scrolls back and at the top turns to the previous
// page's bottom.
bool TRTFPreviewForm::pageKey(bool down) {
    QScrollBar* v = m_scroll->verticalScrollBar();
    if (down) {
        if (v->value() < v->maximum()) v->setValue(v->value() + v->pageStep());
        else if (m_preview->hasNextPage()) nextPage();
    } else {
        if (v->value() > v->minimum()) v->setValue(v->value() - v->pageStep());
        else if (m_preview->priorPage()) {
            refresh();
            v->setValue(v->maximum());
        }
    }
    return true;
}

bool TRTFPreviewForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && watched == m_scroll->viewport()) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int dy = wheel->angleDelta().y();
            if (dy > 0) zoomIn();
            else if (dy < 0) zoomOut();
            return true;  // Ctrl+wheel zooms and does not scroll
        }
    }
    if (event->type() == QEvent::KeyPress && watched == m_scroll) {
        auto* key = static_cast<QKeyEvent*>(event);
        QScrollBar* v = m_scroll->verticalScrollBar();
        switch (key->key()) {
        case Qt::Key_PageDown: return pageKey(true);
        case Qt::Key_PageUp: return pageKey(false);
        case Qt::Key_Down: v->setValue(v->value() + v->singleStep()); return true;  // kept within the range by the bar
        case Qt::Key_Up: v->setValue(v->value() - v->singleStep()); return true;
        default: break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace brindle::letters::ui
