#include "designobjects/ui/DesignDialogBase.h"

#include <QColorDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "help/ui/ShowHelp.h"

namespace brindle::designobjects {

DesignDialog::DesignDialog(const QString& caption, int helpTopic, QWidget* parent)
    : help::HelpDialog(helpTopic, parent) {
    setWindowTitle(caption);
    ok_ = new QPushButton(QStringLiteral("Ok"), this);
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancel_->setAutoDefault(false);
    help_ = makeHelpButton();
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* outer = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addWidget(help_);
    outer->addLayout(buttons);
}

void DesignDialog::setContent(QLayout* content) {
    auto* outer = static_cast<QVBoxLayout*>(layout());
    outer->insertLayout(0, content, 1);
    outer->insertSpacing(1, 8);
}

// ---------------------------------------------------------------- colours

namespace {

struct NamedColor {
    const char* caption;
    DesignColor value;  // 0x00BBGGRR
};

constexpr NamedColor kNamedColors[] = {
    {"Black", 0x000000},  {"Maroon", 0x000080}, {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080}, {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},    {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00}, {"White", 0xFFFFFF},
};
constexpr int kNamedCount = int(std::size(kNamedColors));

QIcon swatch(DesignColor c) {
    QPixmap pm(18, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.setBrush(toQColor(c));
    p.drawRect(0, 0, pm.width() - 1, pm.height() - 1);
    return QIcon(pm);
}

QString otherCaption(DesignColor c) {
    if (auto name = colorName(c)) return name->startsWith(QLatin1String("cl")) ? name->mid(2) : *name;
    return toQColor(c).name(QColor::HexRgb).toUpper();
}

}  // namespace

ColorComboBox::ColorComboBox(QWidget* parent) : QComboBox(parent) {
    for (const NamedColor& n : kNamedColors) addItem(swatch(n.value), QString::fromLatin1(n.caption), int(n.value));
    addItem(QStringLiteral("Custom..."));
    setCurrentIndex(0);
    chooser_ = [this](DesignColor current) -> std::optional<DesignColor> {
        const QColor c = QColorDialog::getColor(toQColor(current), this);
        if (!c.isValid()) return std::nullopt;
        return fromQColor(c);
    };
    connect(this, &QComboBox::activated, this, &ColorComboBox::picked);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int i) {
        // Changes made from code or the keyboard without "activated".
        if (!updating_ && i >= 0 && i != customIndex() && itemData(i).isValid()) {
            const DesignColor c = DesignColor(itemData(i).toInt());
            if (c != color_) {
                color_ = c;
                emit colorChanged(c);
            }
        }
    });
}

void ColorComboBox::setColor(DesignColor c) {
    updating_ = true;
    // At most one entry for a colour that has no name of its own.
    if (count() > kNamedCount + 1) removeItem(kNamedCount);
    int index = -1;
    for (int i = 0; i < kNamedCount; ++i)
        if (kNamedColors[i].value == c) index = i;
    if (index < 0) {
        insertItem(kNamedCount, swatch(c), otherCaption(c), int(c));
        index = kNamedCount;
    }
    setCurrentIndex(index);
    const bool changed = c != color_;
    color_ = c;
    updating_ = false;
    if (changed) emit colorChanged(c);
}

void ColorComboBox::picked(int index) {
    if (index != customIndex()) return;  // named entries arrive through currentIndexChanged
    const std::optional<DesignColor> chosen = chooser_ ? chooser_(color_) : std::nullopt;
    if (!chosen) {
        setColor(color_);  // back to the colour before
        return;
    }
    setColor(*chosen);
}

}  // namespace brindle::designobjects
