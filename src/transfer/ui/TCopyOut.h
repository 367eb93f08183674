#pragma once
// "Copy Records Out": the records the main window shows, into a new DBF or a
// comma-separated text file, with the checks on the target and a gauge.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "address/ui/DialogSupport.h"
#include "transfer/Export.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::transfer::ui {

class TCopyOut : public address::ui::HelpDialog {
    Q_OBJECT
public:
    // `source` is the main window's table under its filter and order;
    // `openFile` its path, which can never be the target.
    TCopyOut(store::Table& source, const QString& openFile, const QString& startFolder, common::UserDialogs& dialogs,
             QWidget* parent = nullptr);

    QRadioButton* dbfChoice() const { return dbf_; }
    QRadioButton* textChoice() const { return text_; }
    QComboBox* encodingBox() const { return encoding_; }
    QCheckBox* headerBox() const { return header_; }
    QLabel* copyingLabel() const { return copying_; }
    QProgressBar* gauge() const { return gauge_; }
    ExportOptions options() const;
    // The number of records the main window shows, for the gauge (0: unknown).
    std::uint32_t knownCount = 0;
    // The last copy's result (outcome Complete with 0 records before one).
    const ExportResult& result() const { return result_; }
    // Runs the checks and the copy for a chosen name, as "Save As" does.
    void copyTo(const QString& chosen);

public slots:
    void saveAsClicked();
    void cancelClicked();

protected:
    void reject() override;

private:
    void formatChanged();

    store::Table& source_;
    QString openFile_;
    QString folder_;
    common::UserDialogs& dialogs_;
    QRadioButton* dbf_;
    QRadioButton* text_;
    QComboBox* encoding_;
    QCheckBox* header_;
    QWidget* choices_;
    QWidget* progressArea_;
    QLabel* copying_;
    QProgressBar* gauge_;
    QPushButton* saveAs_;
    QPushButton* help_;
    bool copying_now_ = false;
    bool cancelRequested_ = false;
    ExportResult result_;
};

}  // namespace brindle::transfer::ui
