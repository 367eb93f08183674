#include "designobjects/DesignDocument.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "common/UserDialogs.h"
#include "designobjects/DesignDialogs.h"
#include "designobjects/DesignRegistry.h"
#include "designobjects/DesignStream.h"
#include "designobjects/RecordSource.h"
#include "designobjects/TKGraphicControl.h"
#include "designobjects/TKLabelObjectFiler.h"
#include "designobjects/PropertyDescriptor.h"
#include "store/Cp1252.h"

namespace brindle::designobjects {

namespace {

// The classes each surface lets the reader create; kinds not built yet are
// simply not found in the registry.
const QStringList kLabelClasses = {
    "TKLineShape", "TKPostNetBarCode", "TKImage", "TKLabelShapes", "TKPLabel", "TKPDLabel",
    "TKCounterLabel", "TKSymbolLabel", "TKMultiLineLabel", "TKDMultiLineLabel", "TKDMultiLineAddressLabel",
    "TKIMBarCode",
};
const QStringList kEnvelopeClasses = {
    "TKLineShape", "TKPostNetBarCode", "TKFIMBarCode", "TKImage", "TKLabelShapes",
    "TKPLabel", "TKPDLabel", "TKMultiLineLabel", "TKDMultiLineAddressLabel", "TKIMBarCode",
};
const QStringList kReportClasses = {
    "TKPLabel", "TKPDLabel", "TKLineShape", "TKImage", "TKDateTimeLabel", "TKPageNumberLabel",
    "TKSymbolLabel", "Trpshapes",
};

// Every text a design file would hold that Windows-1252 cannot: "Special1
// (TKPLabel), Caption: ł ę". The file stores text in that code page only.
QStringList unstorableText(const std::vector<TKGraphicControl*>& objects) {
    QStringList out;
    auto check = [&out](const TKGraphicControl& o, const QString& where, const QString& text) {
        const auto enc = store::utf8ToCp1252Counted(text.toStdString());
        if (enc.lossless()) return;
        QStringList chars;
        for (const auto& l : enc.lost) {
            const QString c = QString::fromStdString(store::codePointToUtf8(l.codePoint));
            if (!chars.contains(c)) chars << c;
        }
        out << QStringLiteral("%1 (%2), %3: %4").arg(o.objectName(), o.designClass(), where, chars.join(QLatin1Char(' ')));
    };
    for (const auto* o : objects) {
        for (const auto& d : DesignRegistry::instance().properties(o->designClass())) {
            const PropValue v = d.get(*o);
            if (const auto* t = std::get_if<QString>(&v)) check(*o, d.name, *t);
            else if (const auto* f = std::get_if<DesignFont>(&v)) check(*o, d.name + QStringLiteral(".Name"), f->name);
            else if (const auto* l = std::get_if<QStringList>(&v))
                for (qsizetype i = 0; i < l->size(); ++i)
                    check(*o, QStringLiteral("%1 line %2").arg(d.name).arg(i + 1), l->at(i));
        }
    }
    return out;
}

}  // namespace

DesignDocument::DesignDocument(Kind kind, QObject* parent) : QObject(parent), kind_(kind) {
    registerStandardClasses();
    classes_ = classesFor(kind_);
}

DesignDocument::~DesignDocument() {
    while (!objects_.empty()) delete objects_.back();
}

QStringList DesignDocument::classesFor(Kind kind) {
    switch (kind) {
    case LabelSurface: return kLabelClasses;
    case EnvelopeSurface: return kEnvelopeClasses;
    case ReportSurface: return kReportClasses;
    default: return {};
    }
}

DesignDialogs* DesignDocument::designDialogs() const {
    return designDialogs_ ? designDialogs_ : DesignDialogs::defaultDialogs();
}

bool DesignDocument::acceptsClass(const QString& name) const {
    if (classes_.isEmpty()) return true;  // base and data surfaces take every registered kind
    return std::any_of(classes_.begin(), classes_.end(),
                       [&](const QString& c) { return c.compare(name, Qt::CaseInsensitive) == 0; });
}

// ---------------------------------------------------------------- the area

void DesignDocument::setDesignSize(const QSize& s) {
    const QSize size(std::max(0, s.width()), std::max(0, s.height()));
    if (size == designSize_) return;
    designSize_ = size;
    emit designSizeChanged(designSize_);
    emit repaintNeeded({});
}

void DesignDocument::setSizeInches(double w, double h) {
    setDesignSize(QSize(roundHalfEven(w * kDesignPpi), roundHalfEven(h * kDesignPpi)));
}

void DesignDocument::setShape(LabelShape s) {
    shape_ = s;
    emit repaintNeeded({});
}

// ---------------------------------------------------------------- objects

void DesignDocument::adoptObject(TKGraphicControl* o) {
    if (o->document() == this) return;
    o->setParent(this);
    objects_.push_back(o);
}

void DesignDocument::removeFromLists(TKGraphicControl* o) {
    objects_.erase(std::remove(objects_.begin(), objects_.end(), o), objects_.end());
}

void DesignDocument::clearObjects() {
    while (!objects_.empty()) delete objects_.back();
    emit repaintNeeded({});
}

void DesignDocument::deleteObject(TKGraphicControl* o) {
    if (!o || o->document() != this) return;
    const QRect r = o->bounds();
    delete o;
    emit repaintNeeded(r);
}

QObject* DesignDocument::owner() const { return owner_ ? owner_ : const_cast<DesignDocument*>(this); }

bool DesignDocument::ownerHasName(const QString& name, const QObject* except) const {
    const QObject* root = owner();
    if (root != except && root->objectName() == name) return true;
    const auto all = root->findChildren<QObject*>(name);
    return std::any_of(all.begin(), all.end(), [&](const QObject* c) { return c != except; });
}

void DesignDocument::raise(TKGraphicControl* o) {
    const auto it = std::find(objects_.begin(), objects_.end(), o);
    if (it == objects_.end()) return;
    objects_.erase(it);
    objects_.push_back(o);
}

void DesignDocument::lower(TKGraphicControl* o) {
    const auto it = std::find(objects_.begin(), objects_.end(), o);
    if (it == objects_.end()) return;
    objects_.erase(it);
    objects_.insert(objects_.begin(), o);
}

void DesignDocument::reportError(const QString& message) {
    lastError_ = message;
    if (dialogs_) dialogs_->showError(message);
}

// ---------------------------------------------------------------- operations

void DesignDocument::refreshData() {
    if (kind_ == BaseSurface) return;
    if (!records_ || !records_->isOpen()) return;
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->refreshData();
    emit repaintNeeded({});
}

void DesignDocument::printObjects(printing::PageCanvas& page, double top, double left) {
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->printAt(page, top, left);
}

void DesignDocument::advanceCounters() {
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->advanceCounter();
}

void DesignDocument::resetCounters() {
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->resetCounter();
}

void DesignDocument::clampObjects() {
    const int h = designSize_.height();
    const int w = designSize_.width();
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) {
        QRect d = o->designBounds();
        if (d.y() > h - 10) d.moveTop(h - 10);
        if (d.x() > w - 20) d.moveLeft(w - 20);
        if (d != o->designBounds()) o->setDesignBounds(d);
    }
    emit repaintNeeded({});
}

void DesignDocument::deleteOutsideObjects() {
    const int h = designSize_.height();
    const int w = designSize_.width();
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) {
        const QRect d = o->designBounds();
        if (d.y() > h - 10 || d.x() > w - 10 || d.width() < 1 || d.height() < 1) delete o;
    }
    emit repaintNeeded({});
}

// ---------------------------------------------------------------- stored form

QByteArray DesignDocument::storedBytes() {
    const bool was = loading_;
    loading_ = true;
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->clearDataText();
    const QByteArray bytes = TKLabelObjectFiler::encode({objects_.begin(), objects_.end()});
    refreshData();
    loading_ = was;
    return bytes;
}

QByteArray DesignDocument::snapshotBytes() {
    // Record data are not part of a design; the objects show them again after.
    const bool was = loading_;
    loading_ = true;
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->clearDataText();
    const QByteArray bytes = TKLabelObjectFiler::encode({objects_.begin(), objects_.end()}, true);
    refreshData();
    loading_ = was;
    return bytes;
}

void DesignDocument::replaceObjects(const QByteArray& snapshot, const QStringList& names) {
    clearObjects();
    try {
        DesignReader r(snapshot);
        r.setUnicode(true);
        TKLabelObjectFiler().readObjectList(r, nullptr, *this);
    } catch (const DesignFileError&) {
        // The objects read before the damage stay.
    }
    // Reading numbers the objects afresh; they take back the names given.
    for (std::size_t i = 0; i < objects_.size() && i < std::size_t(names.size()); ++i)
        objects_[i]->setObjectName(names[qsizetype(i)]);
    refreshData();
    emit repaintNeeded({});
}

bool DesignDocument::saveToFile(const QString& path) {
    lastError_.clear();
    const bool was = loading_;
    loading_ = true;  // dropping record data is no change of the design
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->clearDataText();
    QStringList notes;
    try {
        // Nothing is replaced silently: text the file cannot hold stops the save.
        const QStringList unstorable = unstorableText(objects_);
        if (!unstorable.isEmpty())
            throw DesignFileError(QStringLiteral("Design files keep text in the Windows-1252 character set, which "
                                                 "cannot hold these characters:\n%1\n\nChange them and save again.")
                                      .arg(unstorable.join(QLatin1Char('\n'))));
        // A file that was read only partly is kept whole before the first save over it.
        if (!damagedFile_.isEmpty() && QFileInfo(damagedFile_) == QFileInfo(path) && QFileInfo::exists(path)) {
            const QString bak = path + QStringLiteral(".bak");
            QFile::remove(bak);
            if (!QFile::copy(path, bak)) throw DesignFileError(messages::cannotCreateFile(bak));
            notes << QStringLiteral("The design file %1 could not be read completely; the original is kept as %2.")
                         .arg(QFileInfo(path).fileName(), QFileInfo(bak).fileName());
        }
        TKLabelObjectFiler().saveSurface(*this, path);
        if (!damagedFile_.isEmpty() && QFileInfo(damagedFile_) == QFileInfo(path)) damagedFile_.clear();
    } catch (const DesignFileError& e) {
        lastError_ = e.message() + QStringLiteral("\n\nThe design was not saved; the file on disk is unchanged.");
    }
    refreshData();
    loading_ = was;
    if (dialogs_) {
        if (!lastError_.isEmpty()) dialogs_->showError(lastError_);
        for (const auto& n : notes) dialogs_->showInfo(n);
    }
    return lastError_.isEmpty();
}

DesignDocument::LoadResult DesignDocument::loadFromFile(const QString& path) {
    LoadResult result;
    lastError_.clear();
    TKLabelObjectFiler filer;
    try {
        filer.loadSurface(owner_, *this, path);
    } catch (const DesignFileError& e) {
        result.ok = false;
        result.error = e.message();
    }
    result.objectsRead = filer.objectsRead();
    if (!result.ok) {
        if (QFileInfo::exists(path)) damagedFile_ = QFileInfo(path).absoluteFilePath();
        const QString kept = result.objectsRead.isEmpty()
                                 ? QStringLiteral("No objects could be read.")
                                 : QStringLiteral("Objects read before the error: %1.")
                                       .arg(result.objectsRead.join(QStringLiteral(", ")));
        lastError_ = result.error + QStringLiteral("\n\n") + kept +
                     QStringLiteral("\nThe design file is left as it is; saving the design keeps it as %1.")
                         .arg(QFileInfo(path).fileName() + QStringLiteral(".bak"));
        if (dialogs_) dialogs_->showError(lastError_);
    }
    refreshData();
    emit repaintNeeded({});
    return result;
}

// ---------------------------------------------------------------- from objects

void DesignDocument::objectChanged(TKGraphicControl*) {
    if (printing_ || zooming() || loading_) return;
    emit labelChanged();
}

void DesignDocument::objectBoundsChanged(TKGraphicControl*) { emit repaintNeeded({}); }

void DesignDocument::objectNeedsRepaint(TKGraphicControl* o) {
    if (printing_) return;
    emit repaintNeeded(o->bounds());
}

BoundField readBoundField(const DesignDocument* s, const QString& label) {
    BoundField b;
    b.printing = s && s->printing();
    b.showValues = !s || s->displayDataValues();
    const RecordSource* src = s ? s->recordSource() : nullptr;
    if (!src || label.isEmpty()) return b;
    std::vector<RecordField> storage;
    const RecordField* field = src->fieldByLabel(label, storage);
    if (!field) return b;
    b.found = true;
    if (b.showValues || b.printing) b.text = src->fieldText(field->name);
    return b;
}

}  // namespace brindle::designobjects
