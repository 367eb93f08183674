#include "printing/PageRecorder.h"

namespace brindle::printing {

PageRecorder::PageRecorder(double dpi) : m_dpi(dpi > 0 ? dpi : 300.0) { m_doc.title = title(); }

PageRecorder::~PageRecorder() { end(); }

RecordedDocument PageRecorder::takeDocument() {
    RecordedDocument out = std::move(m_doc);
    m_doc = RecordedDocument{};
    m_doc.title = out.title;
    return out;
}

bool PageRecorder::openDevice(const QSizeF&, Orientation) {
    m_doc.title = title();
    return true;
}

bool PageRecorder::beginPage(const QSizeF& pageInches, Orientation o, bool) {
    RecordedPage page;
    page.size = pageInches;
    page.orientation = o;
    m_doc.pages.push_back(std::move(page));
    return true;
}

void PageRecorder::paint(const DrawOp& op) {
    if (!m_doc.pages.empty()) m_doc.pages.back().ops.push_back(op);
}

bool PageRecorder::closeDevice() { return true; }

void PageRecorder::discardDevice() { m_doc.pages.clear(); }

}  // namespace brindle::printing
