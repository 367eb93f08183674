#pragma once
// "Print Envelope": the list of envelope setups with a miniature of the
// current one filled from the current address record, the record
// navigator, what to print, and Print, Preview and Printer Setup. Delete and
// Clone work on the list; New and Modify lead to the envelope designer,
// which is not part of this version yet (they stay disabled until then).
#include <QVector>
#include <functional>
#include <memory>

#include "envelopes/EnvelopeFeed.h"
#include "envelopes/EnvelopeJob.h"
#include "envelopes/EnvelopeSetupList.h"
#include "help/ui/HelpDialog.h"
#include "printing/DrawOps.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace brindle::address {
class AddressFile;
}
namespace brindle::designer {
class AddressRecordSource;
}
namespace brindle::designobjects {
class DesignSurface;
}
namespace brindle::printing {
class PageCanvas;
}

namespace brindle::envelopes::ui {

class EnvelopePrinter;

class TBREnvelopes : public help::HelpDialog {
    Q_OBJECT
public:
    // `table` is ENVELOPE.DBF as EnvelopeSetupList::openEnvelopeTable leaves it.
    TBREnvelopes(store::Table& table, const QString& sysdata, const QString& settingsPath,
                 common::UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TBREnvelopes() override;

    // The open address file whose records are shown and printed.
    void setAddressFile(address::AddressFile* file);

    EnvelopeSetupList& list() { return list_; }
    QTableWidget* grid() const { return grid_; }
    QPushButton* button(const QString& name) const;
    QRadioButton* whatToPrint(WhatToPrint what) const;
    QCheckBox* startFromCurrent() const { return startFromCurrent_; }
    QLabel* miniature() const { return miniature_; }
    QString recordText(const QString& caption) const;
    EnvelopePrinter& printer() { return *printer_; }

    // The steps a job asks the user about, replaceable for tests: the
    // pre-print dialog (false: Cancel), the canvas a print goes to, and the
    // preview window.
    std::function<bool(EnvelopeFeed& feed, int code)> prePrint;
    std::function<std::unique_ptr<printing::PageCanvas>()> openPrintCanvas;
    std::function<void(printing::RecordedDocument document)> showPreview;

    // Print (false) or preview (true) envelopes for the chosen records.
    void doPrint(bool preview);
    void deleteButtonClick();
    void cloneButtonClick();
    void printerSetupClick();
    // The last job's result.
    const EnvelopeJobResult& lastJob() const { return lastJob_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillGrid(std::uint32_t select);
    void setEnvelopeButtons();
    void showDisplayEnvelope();
    void showRecord();
    void loadPreferences();
    void savePreferences();
    bool loadDesign(designobjects::DesignSurface& surface, const QString& path, bool quiet);

    EnvelopeSetupList list_;
    QString settingsPath_;
    common::UserDialogs& dialogs_;
    address::AddressFile* file_ = nullptr;
    std::unique_ptr<designer::AddressRecordSource> records_;
    std::unique_ptr<designobjects::DesignSurface> display_;
    std::unique_ptr<EnvelopePrinter> printer_;
    EnvelopeFeed feed_;
    bool activated_ = false;
    EnvelopeJobResult lastJob_;

    QTableWidget* grid_;
    QLabel* miniature_;
    QVector<QLabel*> recordValues_;
    QVector<QPushButton*> buttons_;
    QVector<QRadioButton*> what_;
    QCheckBox* startFromCurrent_;
};

}  // namespace brindle::envelopes::ui
