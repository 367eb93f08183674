#pragma once
// "Symbol Selector": a font button and a grid of the 224 characters with codes
// 32 to 255 drawn in the chosen font. The grid's columns follow the font's
// size; the font button asks a font chooser for another font.
#include <QChar>
#include <functional>
#include <optional>

#include "designobjects/ui/DesignDialogBase.h"

class QTableWidget;

namespace brindle::designobjects {

class TSymbolSelector : public DesignDialog {
    Q_OBJECT
public:
    using FontChooser = std::function<std::optional<DesignFont>(const DesignFont& current)>;

    explicit TSymbolSelector(QWidget* parent = nullptr);

    void setSymbolFont(const DesignFont& font);
    const DesignFont& symbolFont() const { return font_; }
    // Selects the character's cell (none when its code is outside 32 to 255).
    void setSymbol(QChar c);
    // The selected character, or nothing when no cell is selected.
    std::optional<QChar> symbol() const;
    // The chooser behind the font button (the platform's font chooser in the program).
    void setFontChooser(FontChooser c) { chooser_ = std::move(c); }

    QPushButton* fontButton() const { return fontButton_; }
    QTableWidget* grid() const { return grid_; }
    int columns() const;

private:
    void chooseFont();
    void fillGrid();
    std::optional<int> selectedCode() const;

    DesignFont font_;
    QPushButton* fontButton_;
    QTableWidget* grid_;
    FontChooser chooser_;
};

}  // namespace brindle::designobjects
