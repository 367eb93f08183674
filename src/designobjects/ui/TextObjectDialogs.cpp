#include "designobjects/ui/TextObjectDialogs.h"
#include "help/HelpTopics.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "designobjects/TKBaseLabel.h"
#include "designobjects/ui/DesignDialogRules.h"

namespace brindle::designobjects {

namespace {

QLabel* buddyLabel(const QString& caption, QWidget* buddy, QWidget* parent) {
    auto* l = new QLabel(caption, parent);
    l->setBuddy(buddy);
    return l;
}

QComboBox* listOf(const QStringList& entries, const QString& name, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(entries);
    return c;
}

QStringList depthEntries() {
    QStringList l;
    for (int i = 0; i <= kMax3DDepth; ++i) l << QString::number(i);
    return l;
}

}  // namespace

// ---------------------------------------------------------------- "Text"

TEditTextDialog::TEditTextDialog(QWidget* parent) : DesignDialog(QStringLiteral("Text"), help::topic::TextDialog, parent) {
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("textEdit"));
    edit_->setMinimumWidth(320);
    auto* content = new QVBoxLayout;
    content->addWidget(buddyLabel(QStringLiteral("Enter Text"), edit_, this));
    content->addWidget(edit_);
    setContent(content);
}

void TEditTextDialog::setText(const QString& text) {
    edit_->setText(text);
    edit_->selectAll();
}

QString TEditTextDialog::text() const { return edit_->text(); }

// ---------------------------------------------------------------- 3-D sample

T3DSample::T3DSample(const TKBaseLabel& source, QWidget* parent) : QFrame(parent), label_(new TKPLabel) {
    setObjectName(QStringLiteral("sample"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    // Labels are white; so is the sample's ground.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    const QString caption = source.caption();
    label_->setCaption(caption.isEmpty() ? QStringLiteral("Text") : caption);
    label_->setFont(source.font());
    label_->setAngle(source.angle());
    setMinimumSize(340, 110);
}

T3DSample::~T3DSample() = default;

QSize T3DSample::sizeHint() const { return {360, 130}; }

void T3DSample::apply(const Text3DSettings& s) {
    DesignFont f = label_->font();
    f.color = s.fontColor;
    label_->setFont(f);
    label_->setDirectionShadow(s.directionShadow);
    label_->setDepthShadow(s.depthShadow);
    label_->setDirectionHighlight(s.directionHighlight);
    label_->setDepthHighlight(s.depthHighlight);
    label_->setColorShadow(s.colorShadow);
    label_->setColorHighlight(s.colorHighlight);
    // Upright text grows to fit from a small box; sideways and upside-down
    // text start large and the layout's limits bring them down to the text.
    if (label_->angle() == 0) {
        label_->setBounds(0, 0, 10, 10);
        label_->sizeToFit();
    } else {
        label_->setBounds(0, 0, 2000, 2000);
    }
    QImage scratch(1, 1, QImage::Format_ARGB32);
    QPainter settle(&scratch);
    label_->paint(settle, PaintContext{});  // applies the layout's size limits
    settle.end();
    update();
}

void T3DSample::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    const QRect area = contentsRect().adjusted(6, 6, -6, -6);
    const QSize s = label_->bounds().size();
    if (area.isEmpty() || s.isEmpty()) return;
    const double scale =
        std::min({1.0, double(area.width()) / s.width(), double(area.height()) / s.height()});
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.translate(area.center().x() - s.width() * scale / 2, area.center().y() - s.height() * scale / 2);
    p.scale(scale, scale);
    p.setClipRect(QRect(QPoint(0, 0), s));
    label_->paint(p, PaintContext{});
}

// ---------------------------------------------------------------- "Text 3D Effects"

T3DEffectsDialog::T3DEffectsDialog(const TKBaseLabel& sample, QWidget* parent)
    : DesignDialog(QStringLiteral("Text 3D Effects"), help::topic::Text3DEffects, parent) {
    shadowDirection_ = listOf({QStringLiteral("None"), QStringLiteral("Right"), QStringLiteral("Left"),
                               QStringLiteral("Lower Right"), QStringLiteral("Lower Left"), QStringLiteral("Down")},
                              QStringLiteral("shadowDirection"), this);
    shadowDepth_ = listOf(depthEntries(), QStringLiteral("shadowDepth"), this);
    shadowColor_ = new ColorComboBox(this);
    shadowColor_->setObjectName(QStringLiteral("shadowColor"));
    highlightDirection_ =
        listOf({QStringLiteral("None"), QStringLiteral("Right"), QStringLiteral("Left"), QStringLiteral("Upper Right"),
                QStringLiteral("Upper Left"), QStringLiteral("Up")},
               QStringLiteral("highlightDirection"), this);
    highlightDepth_ = listOf(depthEntries(), QStringLiteral("highlightDepth"), this);
    highlightColor_ = new ColorComboBox(this);
    highlightColor_->setObjectName(QStringLiteral("highlightColor"));
    fontColor_ = new ColorComboBox(this);
    fontColor_->setObjectName(QStringLiteral("fontColor"));
    sample_ = new T3DSample(sample, this);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->addWidget(buddyLabel(QStringLiteral("Shadow Direction"), shadowDirection_, this), 0, 0);
    grid->addWidget(shadowDirection_, 0, 1);
    grid->addWidget(buddyLabel(QStringLiteral("Shadow Depth"), shadowDepth_, this), 1, 0);
    grid->addWidget(shadowDepth_, 1, 1);
    grid->addWidget(buddyLabel(QStringLiteral("Shadow Color"), shadowColor_, this), 2, 0);
    grid->addWidget(shadowColor_, 2, 1);
    grid->setColumnMinimumWidth(2, 16);
    grid->addWidget(buddyLabel(QStringLiteral("Highlight Direction"), highlightDirection_, this), 0, 3);
    grid->addWidget(highlightDirection_, 0, 4);
    grid->addWidget(buddyLabel(QStringLiteral("Highlight Depth"), highlightDepth_, this), 1, 3);
    grid->addWidget(highlightDepth_, 1, 4);
    grid->addWidget(buddyLabel(QStringLiteral("Highlight Color"), highlightColor_, this), 2, 3);
    grid->addWidget(highlightColor_, 2, 4);
    grid->addWidget(buddyLabel(QStringLiteral("Font Color"), fontColor_, this), 3, 0);
    grid->addWidget(fontColor_, 3, 1);
    grid->addWidget(sample_, 4, 0, 1, 5);
    grid->setRowStretch(4, 1);
    setContent(grid);

    for (QComboBox* c : {shadowDirection_, shadowDepth_, highlightDirection_, highlightDepth_})
        connect(c, &QComboBox::currentIndexChanged, this, &T3DEffectsDialog::update3D);
    for (ColorComboBox* c : {shadowColor_, highlightColor_, fontColor_})
        connect(c, &ColorComboBox::colorChanged, this, &T3DEffectsDialog::update3D);

    Text3DSettings s;
    s.depthShadow = sample.depthShadow();
    s.directionShadow = sample.directionShadow();
    s.colorShadow = sample.colorShadow();
    s.depthHighlight = sample.depthHighlight();
    s.directionHighlight = sample.directionHighlight();
    s.colorHighlight = sample.colorHighlight();
    s.fontColor = sample.font().color;
    setSettings(s);
}

void T3DEffectsDialog::setSettings(const Text3DSettings& settings) {
    const Text3DSettings s = clamp3DSettings(settings);
    loading_ = true;
    shadowDirection_->setCurrentIndex(s.directionShadow);
    shadowDepth_->setCurrentIndex(s.depthShadow);
    shadowColor_->setColor(s.colorShadow);
    highlightDirection_->setCurrentIndex(s.directionHighlight);
    highlightDepth_->setCurrentIndex(s.depthHighlight);
    highlightColor_->setColor(s.colorHighlight);
    fontColor_->setColor(s.fontColor);
    loading_ = false;
    update3D();
}

Text3DSettings T3DEffectsDialog::settings() const {
    Text3DSettings s;
    s.directionShadow = shadowDirection_->currentIndex();
    s.depthShadow = shadowDepth_->currentIndex();
    s.colorShadow = shadowColor_->color();
    s.directionHighlight = highlightDirection_->currentIndex();
    s.depthHighlight = highlightDepth_->currentIndex();
    s.colorHighlight = highlightColor_->color();
    s.fontColor = fontColor_->color();
    return s;
}

void T3DEffectsDialog::update3D() {
    if (!loading_) sample_->apply(settings());
}

// ---------------------------------------------------------------- "Select Field"

TSelectFieldDialog::TSelectFieldDialog(QWidget* parent) : DesignDialog(QStringLiteral("Select Field"), help::topic::SelectField, parent) {
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("fieldList"));
    list_->setMinimumSize(220, 260);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* content = new QVBoxLayout;
    content->addWidget(list_);
    setContent(content);
}

void TSelectFieldDialog::setLabels(const QStringList& labels, int current) {
    list_->clear();
    list_->addItems(labels);
    if (labels.isEmpty()) return;
    list_->setCurrentRow(current >= 0 && current < labels.size() ? current : 0);
}

int TSelectFieldDialog::selectedIndex() const {
    if (list_->count() == 0) return -1;
    return std::max(0, list_->currentRow());
}

// ---------------------------------------------------------------- "Counter"

TCounterDialog::TCounterDialog(QWidget* parent) : DesignDialog(QStringLiteral("Counter"), help::topic::CounterDialog, parent) {
    before_ = new QLineEdit(this);
    before_->setObjectName(QStringLiteral("textBefore"));
    start_ = new QSpinBox(this);
    start_->setObjectName(QStringLiteral("startingNumber"));
    start_->setRange(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    repeat_ = new QSpinBox(this);
    repeat_->setObjectName(QStringLiteral("repeatEach"));
    repeat_->setRange(1, 999);
    after_ = new QLineEdit(this);
    after_->setObjectName(QStringLiteral("textAfter"));
    zeros_ = new QSpinBox(this);
    zeros_->setObjectName(QStringLiteral("leadingZeros"));
    zeros_->setRange(0, 9);
    before_->setMinimumWidth(200);

    auto* grid = new QGridLayout;
    grid->addWidget(buddyLabel(QStringLiteral("Text  before"), before_, this), 0, 0);
    grid->addWidget(before_, 0, 1);
    grid->addWidget(buddyLabel(QStringLiteral("Starting Number"), start_, this), 1, 0);
    grid->addWidget(start_, 1, 1, Qt::AlignLeft);
    grid->addWidget(buddyLabel(QStringLiteral("Repeat number for #of  labels?"), repeat_, this), 2, 0);
    grid->addWidget(repeat_, 2, 1, Qt::AlignLeft);
    grid->addWidget(buddyLabel(QStringLiteral("Text after"), after_, this), 3, 0);
    grid->addWidget(after_, 3, 1);
    auto* zerosRow = new QHBoxLayout;
    zerosRow->addWidget(zeros_);
    zerosRow->addWidget(new QLabel(QStringLiteral("digits"), this));
    zerosRow->addStretch(1);
    grid->addWidget(buddyLabel(QStringLiteral("Leading zeros to "), zeros_, this), 4, 0);
    grid->addLayout(zerosRow, 4, 1);
    setContent(grid);
}

void TCounterDialog::setSettings(const CounterSettings& settings) {
    const CounterSettings s = clampCounterSettings(settings);
    before_->setText(s.textBefore);
    start_->setValue(s.startingNumber);
    repeat_->setValue(s.repeatEach);
    after_->setText(s.textAfter);
    zeros_->setValue(s.leadingZeros);
}

CounterSettings TCounterDialog::settings() const {
    CounterSettings s;
    s.textBefore = before_->text();
    s.startingNumber = start_->value();
    s.repeatEach = repeat_->value();
    s.textAfter = after_->text();
    s.leadingZeros = zeros_->value();
    return clampCounterSettings(s);
}

}  // namespace brindle::designobjects
