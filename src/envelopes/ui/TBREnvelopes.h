#pragma once
// "Print Envelope": the list of envelope setups with a miniature of the
// current one filled from the current address record, the record
// navigator, what to print, and Print, Preview and Printer Setup. Delete and
// Clone work on the list; New and Modify open the envelope designer and
// store its result through EnvelopeSetupList::commitSetup.
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

#include "common/ui/DescriptionGrid.h"
#include "envelopes/EnvelopeFeed.h"
#include "envelopes/EnvelopeJob.h"
#include "envelopes/EnvelopeSetupList.h"
#include "help/ui/HelpDialog.h"
#include "printing/DrawOps.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

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
namespace brindle::printer {
class CurrentPrinter;
}

namespace brindle::envelopes::ui {

class EnvelopePrinter;
class TEnvelopeDesignScreen;

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
    // The printer the window sets up and prints on: the program's current
    // printer unless another is given (tests).
    void setPrinter(printer::CurrentPrinter& printer);

    // The steps a job asks the user about, replaceable for tests: the
    // pre-print dialog (false: Cancel), the canvas a print goes to, and the
    // preview window.
    std::function<bool(EnvelopeFeed& feed, int code)> prePrint;
    std::function<std::unique_ptr<printing::PageCanvas>()> openPrintCanvas;
    std::function<void(printing::RecordedDocument document)> showPreview;
    // The "Envelope Size" step of New and of the designer's Layout (none:
    // cancelled), and how the designer is run (modal by default).
    std::function<std::optional<int>(int code)> chooseSize;
    std::function<void(TEnvelopeDesignScreen& designer)> runDesigner;

    // Print (false) or preview (true) envelopes for the chosen records.
    void doPrint(bool preview);
    // New: the size first, then the designer on an empty envelope. Modify:
    // the designer on the current setup. Either stores the design, then
    // the row, only when the designer saves.
    void newButtonClick();
    void modifyButtonClick();
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
    void modify(EnvelopeSetup setup, bool isNew);

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

    common::ui::DescriptionGrid* grid_;
    QLabel* miniature_;
    QVector<QLabel*> recordValues_;
    QVector<QPushButton*> buttons_;
    QVector<QRadioButton*> what_;
    QCheckBox* startFromCurrent_;
};

}  // namespace brindle::envelopes::ui
