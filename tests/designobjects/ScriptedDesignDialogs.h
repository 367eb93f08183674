#pragma once
// Answers the design objects' dialogs from values set by a test and records
// what each dialog was shown. An unset answer is Cancel.
#include <optional>

#include "designobjects/DesignDialogs.h"
#include "designobjects/TKBaseLabel.h"

namespace brindle::designobjects::test {

class ScriptedDesignDialogs : public DesignDialogs {
public:
    std::optional<QString> text;
    std::optional<Text3DSettings> effects;
    std::optional<int> field;
    std::optional<CounterSettings> counter;
    std::optional<std::pair<DesignFont, QChar>> symbol;
    std::optional<QStringList> lines;
    std::optional<AddressLayout> layout;
    std::optional<DesignFont> font;
    std::optional<DesignColor> color;

    QStringList asked;        // dialog names in the order they were shown
    QStringList fieldLabels;  // what "Select Field" offered
    int fieldCurrent = -1;
    QString effectsSampleText;
    // "Load Image File ": the answer (unset: Cancel) and what the chooser was opened with.
    std::optional<PictureChoice> pictureChoice;
    std::optional<PictureChoice> pictureOffered;
    // "Intelligent Mail Barcode": the answer (unset: Cancel) and what it was opened with.
    std::optional<ImbSettings> imb;
    std::optional<ImbSettings> imbOffered;

    std::optional<QString> editText(const QString&) override {
        asked << "Text";
        return text;
    }
    bool edit3DEffects(const TKBaseLabel& sample, Text3DSettings& s) override {
        asked << "Text 3D Effects";
        effectsSampleText = sample.caption();
        if (!effects) return false;
        s = *effects;
        return true;
    }
    std::optional<int> selectField(const QStringList& labels, int current) override {
        asked << "Select Field";
        fieldLabels = labels;
        fieldCurrent = current;
        return field;
    }
    bool editCounter(CounterSettings& s) override {
        asked << "Counter";
        if (!counter) return false;
        s = *counter;
        return true;
    }
    bool selectSymbol(DesignFont& f, QChar& c) override {
        asked << "Symbol Selector";
        if (!symbol) return false;
        f = symbol->first;
        c = symbol->second;
        return true;
    }
    std::optional<QStringList> editLines(const QStringList&, const DesignFont&) override {
        asked << "Multi-line Text Editor";
        return lines;
    }
    bool editAddressLayout(AddressLayout& l) override {
        asked << "Address Label Layout";
        if (!layout) return false;
        l = *layout;
        return true;
    }
    std::optional<DesignFont> chooseFont(const DesignFont&) override {
        asked << "Font";
        return font;
    }
    std::optional<DesignColor> chooseColor(DesignColor) override {
        asked << "Color";
        return color;
    }
    bool editIntelligentMail(ImbSettings& s, const QStringList&) override {
        asked << "Intelligent Mail Barcode";
        imbOffered = s;
        if (!imb) return false;
        s = *imb;
        return true;
    }
    bool choosePicture(PictureChoice& c) override {
        asked << "Load Image File ";
        pictureOffered = c;
        if (!pictureChoice) return false;
        c = *pictureChoice;
        return true;
    }
};

}  // namespace brindle::designobjects::test
