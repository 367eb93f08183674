#include "designobjects/ui/QtDesignDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFontDialog>

#include "designobjects/ui/DesignDialogRules.h"
#include "designobjects/ui/MultiLineDialogs.h"
#include "designobjects/ui/TKImageBrowser.h"
#include "designobjects/ui/TIntelligentMailDialog.h"
#include "designobjects/ui/TSymbolSelector.h"
#include "designobjects/ui/TextObjectDialogs.h"

namespace brindle::designobjects {

QtDesignDialogs::QtDesignDialogs(QWidget* mainWindow) : main_(mainWindow) {}

QWidget* QtDesignDialogs::owner() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return main_;
}

std::optional<QString> QtDesignDialogs::editText(const QString& text) {
    TEditTextDialog d(owner());
    d.setText(text);
    if (d.execCentred(main_) != QDialog::Accepted) return std::nullopt;
    return d.text();
}

bool QtDesignDialogs::edit3DEffects(const TKBaseLabel& sample, Text3DSettings& settings) {
    T3DEffectsDialog d(sample, owner());
    d.setSettings(settings);
    if (d.execCentred(main_) != QDialog::Accepted) return false;
    settings = d.settings();
    return true;
}

std::optional<int> QtDesignDialogs::selectField(const QStringList& labels, int current) {
    TSelectFieldDialog d(owner());
    d.setLabels(labels, current);
    if (d.execCentred(main_) != QDialog::Accepted) return std::nullopt;
    const int chosen = d.selectedIndex();
    if (chosen < 0) return std::nullopt;
    return chosen;
}

bool QtDesignDialogs::editIntelligentMail(ImbSettings& settings, const QStringList& fieldNames) {
    TIntelligentMailDialog d(owner());
    d.setSettings(settings, fieldNames);
    if (d.execCentred(main_) != QDialog::Accepted) return false;
    settings = d.settings();
    return true;
}

bool QtDesignDialogs::editCounter(CounterSettings& settings) {
    TCounterDialog d(owner());
    d.setSettings(settings);
    if (d.execCentred(main_) != QDialog::Accepted) return false;
    settings = d.settings();
    return true;
}

bool QtDesignDialogs::selectSymbol(DesignFont& font, QChar& symbol) {
    TSymbolSelector d(owner());
    d.setSymbolFont(font);
    d.setSymbol(symbol);
    d.setFontChooser([this](const DesignFont& f) { return chooseFont(f); });
    if (d.execCentred(main_) != QDialog::Accepted) return false;
    font = d.symbolFont();
    // Without a chosen cell the character stays as it was.
    if (auto c = d.symbol()) symbol = *c;
    return true;
}

std::optional<QStringList> QtDesignDialogs::editLines(const QStringList& lines, const DesignFont& font) {
    TMultiLineEditor d(owner());
    d.setTextFont(font);
    d.setLines(lines);
    if (d.execCentred(main_) != QDialog::Accepted) return std::nullopt;
    return d.lines();
}

bool QtDesignDialogs::editAddressLayout(AddressLayout& layout) {
    TAddressLayoutDialog d(owner());
    d.setAddressLayout(layout);
    if (d.execCentred(main_) != QDialog::Accepted) return false;
    layout = d.addressLayout();
    return true;
}

std::optional<DesignFont> QtDesignDialogs::chooseFont(const DesignFont& font) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, fontForChooser(font), owner(), QStringLiteral("Font"));
    if (!ok) return std::nullopt;
    return fontFromChooser(font, chosen);
}

std::optional<DesignColor> QtDesignDialogs::chooseColor(DesignColor color) {
    const QColor chosen = QColorDialog::getColor(toQColor(color), owner(), QStringLiteral("Color"));
    if (!chosen.isValid()) return std::nullopt;
    return fromQColor(chosen);
}

bool QtDesignDialogs::choosePicture(PictureChoice& choice) {
    TKImageBrowser d(owner());
    d.setOptions(choice.stretch, choice.autoSize);
    d.setDirectory(pictureFolder_.isEmpty() ? QDir::currentPath() : pictureFolder_);
    const int result = d.execCentred(main_);
    pictureFolder_ = d.directory();
    // Ok counts only with a file selected.
    if (result != QDialog::Accepted || d.selectedFile().isEmpty()) return false;
    choice = d.choice();
    return true;
}

}  // namespace brindle::designobjects
