#pragma once
// "Count Zip Codes" (TCountZipCodes): counts the records of the current
// record set per ZIP code on first activation and prints or previews the
// "Zip Code Count Report"; TZipReport is the status window a print or
// preview job runs in.
//
// Printing goes to a printer chosen by name ("Printer Setup"), through the
// printer back-end of the page canvas or, for the "PDF file" printer, to a
// PDF file the user names. openReportCanvas() is the one place where the
// job's canvas is made.
#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

#include "help/ui/HelpDialog.h"
#include "mailing/ZipCountSession.h"
#include "mailing/ZipReport.h"

class QLabel;
class QPushButton;
class QWidget;

namespace brindle::printing {
class PageCanvas;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::mailing::ui {

class TZipReport : public QDialog {
    Q_OBJECT
public:
    TZipReport(ZipReportJob& job, printing::PageCanvas& canvas, const std::vector<ZipCountLine>& lines,
               QWidget* parent = nullptr);
    // Shows the window, runs the job and returns when the window closes;
    // true when the job was aborted.
    bool runJob();
    QPushButton* button() const { return button_; }
    QLabel* statusLabel() const { return status_; }
    // Runs when the job has ended and the final status shows.
    std::function<void()> finished;

protected:
    void reject() override;  // Escape and the close box are the button

private:
    void start();
    void buttonClicked();
    void showStatus(const QString& text);
    ZipReportJob& job_;
    printing::PageCanvas& canvas_;
    const std::vector<ZipCountLine>& lines_;
    QLabel* status_;
    QPushButton* button_;
    bool started_ = false;
};

class TCountZipCodes : public help::HelpDialog {
    Q_OBJECT
public:
    TCountZipCodes(store::Table& table, common::UserDialogs& dialogs, QString settingsPath, QWidget* parent = nullptr);

    void DoTheSort();
    void PrintClick();
    void PreviewClick();
    void PrinterSetupClick();
    void cancelClicked();

    ZipCountSession& session() { return session_; }
    QString printerName() const { return printerName_; }
    void setPrinterName(const QString& name) { printerName_ = name; }
    QPushButton* printButton() const { return print_; }
    QPushButton* previewButton() const { return preview_; }
    QPushButton* cancelButton() const { return cancel_; }
    QLabel* headingLabel() const { return heading_; }
    QLabel* statusLine() const { return status_; }

    // Tests and screenshots look at the status window (once its job has
    // ended) and the preview through these; the program leaves them empty.
    std::function<void(TZipReport&)> reportShown;
    std::function<void(QDialog&)> previewShown;

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;

private:
    void runReport(ZipReportJob::Mode mode);
    bool readyToPrint();
    // The canvas of a print job on the chosen printer; null when the user
    // gave no file name for the PDF printer.
    std::unique_ptr<printing::PageCanvas> openReportCanvas();
    void setCounting(bool on);

    ZipCountSession session_;
    common::UserDialogs& dialogs_;
    QString settingsPath_;
    QString printerName_;
    QLabel* heading_;
    QLabel* status_;
    QWidget* buttons_;
    QPushButton* cancel_;
    QPushButton* print_;
    QPushButton* preview_;
    QPushButton* setup_;
    QPushButton* ok_;
    bool activated_ = false;
};

}  // namespace brindle::mailing::ui
