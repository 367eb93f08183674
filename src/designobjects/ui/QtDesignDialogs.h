#pragma once
// The object dialogs as real windows: every question of DesignDialogs opens
// its dialog modally, centred over the main window, and hands back what the
// user chose (nothing when the user cancels).
#include <QPointer>
#include <QWidget>

#include "designobjects/DesignDialogs.h"

namespace brindle::designobjects {

class QtDesignDialogs : public DesignDialogs {
public:
    // `mainWindow` is the window the dialogs are centred over (may be null).
    explicit QtDesignDialogs(QWidget* mainWindow = nullptr);

    std::optional<QString> editText(const QString& text) override;
    bool edit3DEffects(const TKBaseLabel& sample, Text3DSettings& settings) override;
    std::optional<int> selectField(const QStringList& labels, int current) override;
    bool editCounter(CounterSettings& settings) override;
    bool selectSymbol(DesignFont& font, QChar& symbol) override;
    std::optional<QStringList> editLines(const QStringList& lines, const DesignFont& font) override;
    bool editAddressLayout(AddressLayout& layout) override;
    std::optional<DesignFont> chooseFont(const DesignFont& font) override;
    std::optional<DesignColor> chooseColor(DesignColor color) override;
    bool choosePicture(PictureChoice& choice) override;
    bool editIntelligentMail(ImbSettings& settings, const QStringList& fieldNames) override;

private:
    // The window a dialog belongs to: the open modal window (a designer) when
    // there is one, so the dialog stays above it; else the main window.
    QWidget* owner() const;

    QPointer<QWidget> main_;
    QString pictureFolder_;  // where the picture chooser was left last time
};

}  // namespace brindle::designobjects
