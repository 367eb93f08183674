// The recording back-end: keeps every page as its list of drawing operations
// (inches) for the preview window and for tests.
#pragma once

#include "printing/DrawOps.h"
#include "printing/PageCanvas.h"

namespace brindle::printing {

class PageRecorder : public PageCanvas {
public:
    // dpi is the resolution assumed for pen widths given in device pixels,
    // normally that of the printer the preview stands for.
    explicit PageRecorder(double dpi = 300.0);
    ~PageRecorder() override;

    double deviceDpi() const override { return m_dpi; }
    // The pages recorded so far (the open page included). After abort() the
    // document is empty.
    const RecordedDocument& document() const { return m_doc; }
    RecordedDocument takeDocument();

protected:
    bool openDevice(const QSizeF& pageInches, Orientation o) override;
    bool beginPage(const QSizeF& pageInches, Orientation o, bool first) override;
    void paint(const DrawOp& op) override;
    bool closeDevice() override;
    void discardDevice() override;

private:
    double m_dpi;
    RecordedDocument m_doc;
};

}  // namespace brindle::printing
