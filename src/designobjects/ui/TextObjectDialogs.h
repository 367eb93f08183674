#pragma once
// The dialogs of the one-line text objects: "Text", "Text 3D Effects",
// "Select Field" and "Counter". Each takes its values through setters,
// runs as a DesignDialog and hands the edited values back through getters.
#include <QFrame>
#include <memory>

#include "designobjects/DesignDialogs.h"
#include "designobjects/ui/DesignDialogBase.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QSpinBox;

namespace brindle::designobjects {

class TKPLabel;

// "Text": one line of text.
class TEditTextDialog : public DesignDialog {
    Q_OBJECT
public:
    explicit TEditTextDialog(QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const;
    QLineEdit* edit() const { return edit_; }

private:
    QLineEdit* edit_;
};

// The live sample of the 3-D effects dialog: a copy of the object's text
// drawn with the settings being edited, centred (and scaled down when it is
// larger than the sample area).
class T3DSample : public QFrame {
    Q_OBJECT
public:
    explicit T3DSample(const TKBaseLabel& source, QWidget* parent = nullptr);
    ~T3DSample() override;
    void apply(const Text3DSettings& s);
    const TKPLabel& label() const { return *label_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::unique_ptr<TKPLabel> label_;
};

// "Text 3D Effects".
class T3DEffectsDialog : public DesignDialog {
    Q_OBJECT
public:
    explicit T3DEffectsDialog(const TKBaseLabel& sample, QWidget* parent = nullptr);
    void setSettings(const Text3DSettings& s);
    Text3DSettings settings() const;
    T3DSample* sample() const { return sample_; }

private:
    void update3D();

    QComboBox* shadowDirection_;
    QComboBox* shadowDepth_;
    ColorComboBox* shadowColor_;
    QComboBox* highlightDirection_;
    QComboBox* highlightDepth_;
    ColorComboBox* highlightColor_;
    ColorComboBox* fontColor_;
    T3DSample* sample_;
    bool loading_ = false;
};

// "Select Field": one list of field display labels.
class TSelectFieldDialog : public DesignDialog {
    Q_OBJECT
public:
    explicit TSelectFieldDialog(QWidget* parent = nullptr);
    // Fills the list and selects `current` (the first entry when it is out of range).
    void setLabels(const QStringList& labels, int current);
    // The chosen entry, or -1 when the list is empty.
    int selectedIndex() const;
    QListWidget* list() const { return list_; }

private:
    QListWidget* list_;
};

// "Counter".
class TCounterDialog : public DesignDialog {
    Q_OBJECT
public:
    explicit TCounterDialog(QWidget* parent = nullptr);
    void setSettings(const CounterSettings& s);
    CounterSettings settings() const;

private:
    QLineEdit* before_;
    QSpinBox* start_;
    QSpinBox* repeat_;
    QLineEdit* after_;
    QSpinBox* zeros_;
};

}  // namespace brindle::designobjects
