#pragma once
// "Intelligent Mail Barcode": the tracking fields of an IMb object and where
// its serial number comes from. Ok is refused with a message naming the
// field while a field does not fit.
#include <functional>

#include "designobjects/DesignDialogs.h"
#include "designobjects/ui/DesignDialogBase.h"

class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace brindle::designobjects {

class TIntelligentMailDialog : public DesignDialog {
    Q_OBJECT
public:
    explicit TIntelligentMailDialog(QWidget* parent = nullptr);
    void setSettings(const ImbSettings& s, const QStringList& fieldNames);
    ImbSettings settings() const;
    // Shows a refusal; a message box unless a test replaces it.
    void setRefusalSink(std::function<void(const QString&)> sink) { refuse_ = std::move(sink); }

    void accept() override;

private:
    void sourceChanged();
    QLineEdit* barcodeId_;
    QLineEdit* serviceType_;
    QLineEdit* mailerId_;
    QRadioButton* counter_;
    QRadioButton* field_;
    QSpinBox* start_;
    QComboBox* fieldName_;
    std::function<void(const QString&)> refuse_;
};

}  // namespace brindle::designobjects
