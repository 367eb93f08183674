#pragma once
// The questions design objects ask the user while they are edited: the
// dialogs of the text, counter, symbol, field, multi-line and address
// objects and the platform's font and colour choosers. Objects only call
// this interface; the widgets behind it live in ui/ (QtDesignDialogs) and
// tests answer through a scripted implementation. Every call returns
// nothing (or false) when the user cancels.
#include <QChar>
#include <QStringList>
#include <optional>

#include "designobjects/DesignTypes.h"
#include "designobjects/MultiLineLabels.h"

namespace brindle::designobjects {

class TKBaseLabel;

// What the "Text 3D Effects" dialog edits.
struct Text3DSettings {
    int directionShadow = 3;     // sdDownRight
    int depthShadow = 0;         // 0 to 10
    DesignColor colorShadow = clGray;
    int directionHighlight = 4;  // hdUpLeft
    int depthHighlight = 0;      // 0 to 10
    DesignColor colorHighlight = clAqua;
    DesignColor fontColor = clBlack;
    bool operator==(const Text3DSettings&) const = default;
};

// What the "Counter" dialog edits.
struct CounterSettings {
    QString textBefore;
    qint32 startingNumber = 1;
    int repeatEach = 1;    // 1 to 999
    QString textAfter;
    int leadingZeros = 0;  // 0 to 9
    bool operator==(const CounterSettings&) const = default;
};

// What the "Intelligent Mail Barcode" dialog edits.
struct ImbSettings {
    QString barcodeId;
    QString serviceType;
    QString mailerId;
    int serialSource = 0;  // 0: a counter advancing per label, 1: an address field
    QString serialField;
    qint64 startingSerial = 1;
    bool operator==(const ImbSettings&) const = default;
};

// What the picture chooser "Load Image File " returns: the previewed
// picture and the states of its "Stretch" and "AutoSize" boxes.
struct PictureChoice {
    DesignPicture picture;   // empty when the chosen file could not be loaded
    bool loadFailed = false; // a file was chosen but its picture could not be read
    bool stretch = true;
    bool autoSize = false;
};

class DesignDialogs {
public:
    virtual ~DesignDialogs() = default;

    // "Text": one line of text.
    virtual std::optional<QString> editText(const QString& text) = 0;
    // "Text 3D Effects"; `sample` is the object whose text the live sample shows.
    virtual bool edit3DEffects(const TKBaseLabel& sample, Text3DSettings& settings) = 0;
    // "Select Field": the index of the chosen label.
    virtual std::optional<int> selectField(const QStringList& labels, int current) = 0;
    // "Counter".
    virtual bool editCounter(CounterSettings& settings) = 0;
    // "Symbol Selector": the chosen font and character (code 32 to 255 in the font's encoding).
    virtual bool selectSymbol(DesignFont& font, QChar& symbol) = 0;
    // "Multi-line Text Editor": the lines, at most 254 characters in all.
    virtual std::optional<QStringList> editLines(const QStringList& lines, const DesignFont& font) = 0;
    // "Address Label Layout".
    virtual bool editAddressLayout(AddressLayout& layout) = 0;
    // The platform's font and colour choosers.
    virtual std::optional<DesignFont> chooseFont(const DesignFont& font) = 0;
    virtual std::optional<DesignColor> chooseColor(DesignColor color) = 0;
    // "Load Image File ": starts with the object's Stretch and AutoSize;
    // true when the user pressed Ok with a file selected.
    virtual bool choosePicture(PictureChoice& choice) {
        (void)choice;
        return false;
    }

    // "Intelligent Mail Barcode": true when the user pressed Ok with settings that fit.
    virtual bool editIntelligentMail(ImbSettings& settings, const QStringList& fieldNames) {
        (void)settings;
        (void)fieldNames;
        return false;
    }

    // The process-wide dialogs used by surfaces that have none of their own
    // (the windows install theirs at start-up); nullptr: every question is
    // answered with Cancel.
    static DesignDialogs* defaultDialogs();
    static void setDefaultDialogs(DesignDialogs* d);
};

}  // namespace brindle::designobjects
