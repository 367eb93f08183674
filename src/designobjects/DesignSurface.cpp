#include "designobjects/DesignSurface.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "common/Common.h"
#include "common/UserDialogs.h"
#include "designobjects/DesignDialogs.h"
#include "designobjects/DesignRegistry.h"
#include "designobjects/DesignStream.h"
#include "designobjects/RecordSource.h"
#include "designobjects/TKGraphicControl.h"
#include "designobjects/TKLabelObjectFiler.h"
#include "designobjects/MultiLineLabels.h"
#include "designobjects/TextLabelKinds.h"
#include "designobjects/TKImage.h"

namespace brindle::designobjects {

namespace {

// The classes each surface lets the reader create; kinds not built yet are
// simply not found in the registry.
const QStringList kLabelClasses = {
    "TKLineShape", "TKPostNetBarCode", "TKImage", "TKLabelShapes", "TKPLabel", "TKPDLabel",
    "TKCounterLabel", "TKSymbolLabel", "TKMultiLineLabel", "TKDMultiLineLabel", "TKDMultiLineAddressLabel",
};
const QStringList kEnvelopeClasses = {
    "TKLineShape", "TKPostNetBarCode", "TKFIMBarCode", "TKImage", "TKLabelShapes",
    "TKPLabel", "TKPDLabel", "TKMultiLineLabel", "TKDMultiLineAddressLabel",
};
const QStringList kReportClasses = {
    "TKPLabel", "TKPDLabel", "TKLineShape", "TKImage", "TKDateTimeLabel", "TKPageNumberLabel",
    "TKSymbolLabel", "Trpshapes",
};

struct ToolSetting {
    const char* property;
    std::variant<qint64, QString> value;  // a QString for an enumeration names the member
};

struct Tool {
    DesignSurface::PanelState state;
    const char* className;
    bool takesFont;
    std::vector<ToolSetting> settings;
};

const std::vector<Tool>& toolTable() {
    static const std::vector<Tool> t = {
        {DesignSurface::psLabel, "TKPLabel", true, {{"Caption", QStringLiteral("<text>")}}},
        {DesignSurface::psCounterLabel, "TKCounterLabel", true,
         {{"Startingnumber", qint64(1000)}, {"TextBefore", QString()}, {"TextAfter", QString()}}},
        {DesignSurface::psSymbolLabel, "TKSymbolLabel", false, {}},
        {DesignSurface::psDataLabel, "TKPDLabel", true, {{"DataFieldName", QStringLiteral("<field>")}}},
        {DesignSurface::psMultiLineLabel, "TKMultiLineLabel", true, {}},
        {DesignSurface::psMultiLineDataLabel, "TKDMultiLineLabel", true,
         {{"DataFieldName", QStringLiteral("Memo")}, {"DataFieldDescript", QStringLiteral("MEMO")}}},
        {DesignSurface::psAddressLabel, "TKDMultiLineAddressLabel", true, {}},
        {DesignSurface::psRectangle, "TKLabelShapes", false, {{"Shape", QStringLiteral("stRectangle")}}},
        {DesignSurface::psEllipse, "TKLabelShapes", false, {{"Shape", QStringLiteral("stEllipse")}}},
        {DesignSurface::psRoundRectangle, "TKLabelShapes", false, {{"Shape", QStringLiteral("stRoundRect")}}},
        {DesignSurface::psLine, "TKLineShape", false, {{"LineStyle", QStringLiteral("stVertical")}}},
        {DesignSurface::psImage, "TKImage", false, {}},
        {DesignSurface::psPostNetBarCode, "TKPostNetBarCode", false,
         {{"ZipCodeField", QStringLiteral("ZIP")}, {"AddressField", QStringLiteral("STREET")}}},
    };
    return t;
}

void applySetting(TKGraphicControl& o, const ToolSetting& s) {
    const auto* d = DesignRegistry::instance().property(o.designClass(), QString::fromLatin1(s.property));
    if (!d) return;
    if (const auto* text = std::get_if<QString>(&s.value)) {
        if (d->kind == PropKind::Enum) {
            const int i = d->names.indexOf(*text);
            if (i >= 0) d->set(o, qint64(i));
        } else {
            d->set(o, *text);
        }
    } else {
        d->set(o, std::get<qint64>(s.value));
    }
}

}  // namespace

DesignSurface::DesignSurface(Kind kind, QObject* parent) : QObject(parent), kind_(kind) {
    registerStandardClasses();
    classes_ = classesFor(kind_);
}

QStringList DesignSurface::classesFor(Kind kind) {
    switch (kind) {
    case LabelSurface: return kLabelClasses;
    case EnvelopeSurface: return kEnvelopeClasses;
    case ReportSurface: return kReportClasses;
    default: return {};
    }
}

DesignDialogs* DesignSurface::designDialogs() const {
    return designDialogs_ ? designDialogs_ : DesignDialogs::defaultDialogs();
}

QString DesignSurface::clipFilePath() const {
    return clipFile_ ? *clipFile_ : common::programDir() + QStringLiteral("Clipbrd.tmp");
}

DesignSurface::~DesignSurface() {
    selection_.clear();
    while (!objects_.empty()) delete objects_.back();
    // Copied objects last only as long as the window that holds a surface.
    const QString clip = clipFilePath();
    if (!clip.isEmpty()) QFile::remove(clip);
}

// ---------------------------------------------------------------- size and zoom

void DesignSurface::setSize(int w, int h) {
    if (w == width_ && h == height_) return;
    width_ = std::max(0, w);
    height_ = std::max(0, h);
    if (zoom_ == 1.0f || zoom_ == 0.0f) {
        designSize_ = size();
    } else {
        // A size given at another zoom: the dimensions it really changes are
        // taken back to zoom 1.0, the others keep their design value.
        const double z = zoom_;
        auto back = [z](int shown, int design) {
            return roundHalfEven(design * z) == shown ? design : roundHalfEven(shown / z);
        };
        designSize_ = QSize(back(width_, designSize_.width()), back(height_, designSize_.height()));
    }
    emit sizeChanged(size());
    emit repaintNeeded({});
}

void DesignSurface::setSizeInches(double w, double h) {
    const double z = zoom_ == 0.0f ? 1.0 : double(zoom_);
    const QSize design(roundHalfEven(w * kDesignPpi), roundHalfEven(h * kDesignPpi));
    const QSize shown(roundHalfEven(design.width() * z), roundHalfEven(design.height() * z));
    if (design == designSize_ && shown == size()) return;
    designSize_ = design;
    width_ = shown.width();
    height_ = shown.height();
    emit sizeChanged(size());
    emit repaintNeeded({});
}

void DesignSurface::setZoom(float x) {
    if (x == zoom_) return;
    zooming_ = true;
    if (zoom_ == 0.0f) zoom_ = 1.0f;
    // Shown sizes always derive from the size at zoom 1.0, so that no number
    // of zooms rounds the surface or its objects away from the design.
    width_ = roundHalfEven(designSize_.width() * double(x));
    height_ = roundHalfEven(designSize_.height() * double(x));
    zoom_ = x;
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->setZoom(x);
    emit sizeChanged(size());
    emit repaintNeeded({});
    zooming_ = false;
}

// ---------------------------------------------------------------- properties

void DesignSurface::setDrawOutline(bool v) {
    drawOutline_ = v;
    emit repaintNeeded({});
}

void DesignSurface::setPicture(const QImage& img) {
    picture_ = img;
    emit repaintNeeded({});
}

void DesignSurface::setShape(LabelShape s) {
    shape_ = s;
    emit repaintNeeded({});
}

void DesignSurface::setGridSize(GridSize g) {
    gridSize_ = g;
    emit repaintNeeded({});
}

void DesignSurface::setShowGrid(bool v) {
    showGrid_ = v;
    emit repaintNeeded({});
}

void DesignSurface::setPanelState(PanelState s) {
    panelState_ = s;
    pointing_ = s == psPointing;
    emit panelStateChanged(s);
}

bool DesignSurface::acceptsClass(const QString& name) const {
    if (classes_.isEmpty()) return true;  // base and data surfaces take every registered kind
    return std::any_of(classes_.begin(), classes_.end(),
                       [&](const QString& c) { return c.compare(name, Qt::CaseInsensitive) == 0; });
}

// ---------------------------------------------------------------- objects

void DesignSurface::adoptObject(TKGraphicControl* o) {
    if (o->surface() == this) return;
    o->setParent(this);
    objects_.push_back(o);
}

void DesignSurface::removeFromLists(TKGraphicControl* o) {
    objects_.erase(std::remove(objects_.begin(), objects_.end(), o), objects_.end());
    const auto before = selection_.size();
    selection_.erase(std::remove(selection_.begin(), selection_.end(), o), selection_.end());
    if (before != selection_.size()) emit selectionChanged();
}

void DesignSurface::clearObjects() {
    clearSelection();
    while (!objects_.empty()) delete objects_.back();
    emit repaintNeeded({});
}

void DesignSurface::deleteObject(TKGraphicControl* o) {
    if (!o || o->surface() != this) return;
    const QRect r = o->bounds();
    delete o;
    emit repaintNeeded(r);
}

QObject* DesignSurface::owner() const { return owner_ ? owner_ : const_cast<DesignSurface*>(this); }

bool DesignSurface::ownerHasName(const QString& name, const QObject* except) const {
    const QObject* root = owner();
    if (root != except && root->objectName() == name) return true;
    const auto all = root->findChildren<QObject*>(name);
    return std::any_of(all.begin(), all.end(), [&](const QObject* c) { return c != except; });
}

void DesignSurface::select(TKGraphicControl* o) {
    if (!o || o->surface() != this || o->unselectable() || isSelected(o)) return;
    selection_.push_back(o);
    emit selectionChanged();
    emit repaintNeeded(o->bounds());
}

void DesignSurface::deselect(TKGraphicControl* o) {
    const auto it = std::find(selection_.begin(), selection_.end(), o);
    if (it == selection_.end()) return;
    selection_.erase(it);
    emit selectionChanged();
    emit repaintNeeded({});
}

void DesignSurface::toggleSelection(TKGraphicControl* o) {
    if (isSelected(o)) deselect(o);
    else select(o);
}

void DesignSurface::clearSelection() {
    if (selection_.empty()) return;
    selection_.clear();
    emit selectionChanged();
    emit repaintNeeded({});
}

void DesignSurface::selectAll() {
    clearSelection();
    for (auto* o : objects_) select(o);
}

bool DesignSurface::isSelected(const TKGraphicControl* o) const {
    return std::find(selection_.begin(), selection_.end(), o) != selection_.end();
}

TKGraphicControl* DesignSurface::selectedObjectAt(const QPoint& p) const {
    for (auto* o : selection_)
        if (o->bounds().adjusted(-2, -2, 2, 2).contains(p)) return o;
    return nullptr;
}

QRect DesignSurface::overlayRect() const {
    std::vector<QRect> bounds;
    bounds.reserve(selection_.size());
    for (auto* o : selection_) bounds.push_back(o->bounds());
    return selection::overlayFor(bounds);
}

void DesignSurface::applyOverlay(const QRect& overlay) {
    const QRect before = overlayRect();
    if (before.isNull() || overlay == before) return;
    for (auto* o : std::vector<TKGraphicControl*>(selection_)) {
        if (o->locked()) continue;
        o->setBounds(selection::followOverlay(o->bounds(), before, overlay));
    }
    emit repaintNeeded({});
}

// ---------------------------------------------------------------- commands

void DesignSurface::raise(TKGraphicControl* o) {
    const auto it = std::find(objects_.begin(), objects_.end(), o);
    if (it == objects_.end()) return;
    objects_.erase(it);
    objects_.push_back(o);
}

void DesignSurface::lower(TKGraphicControl* o) {
    const auto it = std::find(objects_.begin(), objects_.end(), o);
    if (it == objects_.end()) return;
    objects_.erase(it);
    objects_.insert(objects_.begin(), o);
}

void DesignSurface::reportError(const QString& message) {
    lastError_ = message;
    if (dialogs_) dialogs_->showError(message);
}

void DesignSurface::bringToFront() {
    if (selection_.empty()) return;
    for (auto* o : selection_) raise(o);
    objectChanged(nullptr);
    emit repaintNeeded({});
}

void DesignSurface::sendToBack() {
    if (selection_.empty()) return;
    for (auto* o : selection_) lower(o);
    clearSelection();
    objectChanged(nullptr);
    emit repaintNeeded({});
}

void DesignSurface::bringToFront(TKGraphicControl* o) {
    if (!o || o->surface() != this) return;
    objectChanged(o);
    raise(o);
    emit repaintNeeded({});
}

void DesignSurface::sendToBack(TKGraphicControl* o) {
    if (!o || o->surface() != this) return;
    objectChanged(o);
    lower(o);
    clearSelection();
    emit repaintNeeded({});
}

bool DesignSurface::writeClip(const std::vector<TKGraphicControl*>& objects) {
    const QString path = clipFilePath();
    if (path.isEmpty() || objects.empty()) return false;
    lastError_.clear();
    try {
        if (zoom_ == 1.0f) {
            TKLabelObjectFiler().saveSelection(objects, path);
            return true;
        }
        // The clip file holds bounds at zoom 1.0 like a design file, so that a
        // paste at any zoom puts the objects where they belong. The copies are
        // scaled on a scratch surface; the objects on screen stay untouched.
        DesignSurface scratch(kind_);
        scratch.setClipFilePath(QString());
        scratch.setRegisteredClasses(classes_);
        scratch.setZoom(zoom_);
        const QByteArray bytes = TKLabelObjectFiler::encode({objects.begin(), objects.end()});
        DesignReader r(bytes);
        TKLabelObjectFiler().readObjectList(r, nullptr, scratch);
        scratch.setZoom(1.0f);
        TKLabelObjectFiler().saveSelection(scratch.objects(), path);
        return true;
    } catch (const DesignFileError& e) {
        reportError(e.message());
        return false;
    }
}

void DesignSurface::copy() { writeClip(selection_); }

void DesignSurface::copy(TKGraphicControl* o) {
    if (!o || o->surface() != this) return;
    if (isSelected(o)) copy();
    else writeClip({o});
}

bool DesignSurface::copiedForCut(TKGraphicControl* o) {
    // Without a clip file (printing and scratch surfaces) a cut is a delete.
    if (clipFilePath().isEmpty()) return true;
    return o && !isSelected(o) ? writeClip({o}) : writeClip(selection_);
}

void DesignSurface::destroyObjects(std::vector<TKGraphicControl*> objects) {
    // Last selected first, each one a change of the design.
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        TKGraphicControl* o = *it;
        deselect(o);
        delete o;
        objectChanged(nullptr);
    }
    emit repaintNeeded({});
}

void DesignSurface::deleteSelection() {
    if (selection_.empty()) return;
    destroyObjects(selection_);
}

void DesignSurface::remove(TKGraphicControl* o) {
    if (!o || o->surface() != this) return;
    if (isSelected(o)) deleteSelection();
    else destroyObjects({o});
}

// A cut whose copy could not be written deletes nothing: the objects would
// otherwise be gone with no copy of them anywhere.
void DesignSurface::cut() {
    if (selection_.empty() || !copiedForCut(nullptr)) return;
    deleteSelection();
}

void DesignSurface::cut(TKGraphicControl* o) {
    if (!o || o->surface() != this || !copiedForCut(o)) return;
    remove(o);
}

bool DesignSurface::clipFileExists() const {
    const QString path = clipFilePath();
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool DesignSurface::paste() {
    if (!pasteGate_.ready() || !clipFileExists()) return false;
    const std::size_t before = objects_.size();
    lastError_.clear();
    try {
        TKLabelObjectFiler().pasteObjects(owner_, *this, clipFilePath());
    } catch (const DesignFileError& e) {
        // The objects read before the damage stay.
        reportError(e.message());
    }
    // The clip file holds bounds at zoom 1.0 (the offset included): scale
    // them to the zoom the surface is shown at.
    if (zoom_ != 1.0f) {
        for (std::size_t i = before; i < objects_.size(); ++i) {
            objects_[i]->setZoomFactor(1.0f);
            objects_[i]->setZoom(zoom_);
        }
    }
    pasteGate_.stamp();
    refreshData();
    objectChanged(nullptr);
    emit repaintNeeded({});
    return true;
}

TKGraphicControl* DesignSurface::clone(TKGraphicControl* o) {
    if (!o || o->surface() != this) return nullptr;
    const std::size_t before = objects_.size();
    lastError_.clear();
    try {
        TKLabelObjectFiler().cloneObject(*o, owner_, *this);
    } catch (const DesignFileError& e) {
        reportError(e.message());
        return nullptr;
    }
    if (objects_.size() <= before) return nullptr;
    TKGraphicControl* copy = objects_.back();
    // The copy is at the source's bounds at the current zoom and takes that
    // zoom, so that zooming later scales both alike; the offset is 25 pixels
    // at zoom 1.0.
    copy->setZoomFactor(zoom_);
    copy->setBounds(o->left(), o->top() + roundHalfEven(selection::kCloneOffset * double(zoom_)), o->width(),
                    o->height());
    raise(copy);
    refreshData();
    const auto it = std::find(selection_.begin(), selection_.end(), o);
    if (it != selection_.end()) {
        *it = copy;
        emit selectionChanged();
        emit selectionBoundsChanged();
    }
    objectChanged(copy);
    emit repaintNeeded({});
    return copy;
}

void DesignSurface::align(selection::Align how) {
    if (selection_.empty()) return;
    objectChanged(nullptr);
    std::vector<QRect> bounds;
    for (auto* o : selection_) bounds.push_back(o->bounds());
    const auto moved = selection::aligned(bounds, how, size());
    const auto sel = selection_;
    for (std::size_t i = 0; i < sel.size(); ++i) sel[i]->setBounds(moved[i]);
    emit repaintNeeded({});
}

void DesignSurface::alignLeft() { align(selection::Align::Left); }
void DesignSurface::alignRight() { align(selection::Align::Right); }
void DesignSurface::alignTops() { align(selection::Align::Tops); }
void DesignSurface::alignBottoms() { align(selection::Align::Bottoms); }

void DesignSurface::centerVertically() {
    for (auto* o : std::vector<TKGraphicControl*>(selection_)) o->centerVertically();
}

void DesignSurface::centerHorizontally() {
    for (auto* o : std::vector<TKGraphicControl*>(selection_)) o->centerHorizontally();
}

void DesignSurface::applyFontToSelection() {
    if (selection_.empty()) return;
    auto* d = designDialogs();
    if (!d) return;
    const auto f = d->chooseFont(font_);
    if (!f) return;
    for (auto* o : std::vector<TKGraphicControl*>(selection_)) o->applyFont(*f);
    emit repaintNeeded({});
}

// Locking and selectability are stored with the design, so changing them is
// a change of the design.
void DesignSurface::setOnAll(bool (TKGraphicControl::*get)() const, void (TKGraphicControl::*set)(bool), bool v) {
    bool any = false;
    for (auto* o : objects_) {
        any = any || (o->*get)() != v;
        (o->*set)(v);
    }
    if (any) objectChanged(nullptr);
}

void DesignSurface::lockAll() { setOnAll(&TKGraphicControl::locked, &TKGraphicControl::setLocked, true); }
void DesignSurface::unlockAll() { setOnAll(&TKGraphicControl::locked, &TKGraphicControl::setLocked, false); }
void DesignSurface::markAllSelectable() {
    setOnAll(&TKGraphicControl::unselectable, &TKGraphicControl::setUnselectable, false);
}
void DesignSurface::markAllUnselectable() {
    clearSelection();
    setOnAll(&TKGraphicControl::unselectable, &TKGraphicControl::setUnselectable, true);
}

MenuEntries DesignSurface::surfaceMenu() {
    const bool selected = !selection_.empty();
    const bool hasObjects = !objects_.empty();
    auto entry = [](const char* caption, std::function<void()> action, bool enabled) {
        MenuEntry e = MenuEntry::item(QString::fromLatin1(caption), std::move(action));
        e.enabled = enabled;
        return e;
    };
    return {
        entry("Bring To Front", [this] { bringToFront(); }, selected),
        entry("Send To Back", [this] { sendToBack(); }, selected),
        MenuEntry::separator(),
        entry("Cut", [this] { cut(); }, selected),
        entry("Copy", [this] { copy(); }, selected),
        entry("Paste", [this] { paste(); }, clipFileExists()),
        MenuEntry::separator(),
        entry("Delete", [this] { deleteSelection(); }, selected),
        MenuEntry::separator(),
        entry("Align Left", [this] { alignLeft(); }, selected),
        entry("Align Right", [this] { alignRight(); }, selected),
        entry("Align Tops", [this] { alignTops(); }, selected),
        entry("Align Bottoms", [this] { alignBottoms(); }, selected),
        MenuEntry::separator(),
        entry("Center Vertically", [this] { centerVertically(); }, selected),
        entry("Center Horizontally", [this] { centerHorizontally(); }, selected),
        MenuEntry::separator(),
        entry("Lock All", [this] { lockAll(); }, hasObjects),
        entry("Unlock All", [this] { unlockAll(); }, hasObjects),
        MenuEntry::separator(),
        entry("Mark All Selectable", [this] { markAllSelectable(); }, true),
        entry("Mark All Unselectable", [this] { markAllUnselectable(); }, true),
        entry("Select All", [this] { selectAll(); }, true),
        MenuEntry::separator(),
        entry("Font", [this] { applyFontToSelection(); }, selected),
    };
}

// ---------------------------------------------------------------- operations

void DesignSurface::refreshData() {
    if (kind_ == BaseSurface) return;
    if (!records_ || !records_->isOpen()) return;
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->refreshData();
    emit repaintNeeded({});
}

void DesignSurface::printObjects(printing::PageCanvas& page, double top, double left) {
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->printAt(page, top, left);
}

void DesignSurface::advanceCounters() {
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->advanceCounter();
}

void DesignSurface::resetCounters() {
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->resetCounter();
}

void DesignSurface::clampObjects() {
    clearSelection();
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) {
        if (o->top() > height_ - 10) o->setTop(height_ - 10);
        if (o->left() > width_ - 20) o->setLeft(width_ - 20);
    }
    emit repaintNeeded({});
}

void DesignSurface::deleteOutsideObjects() {
    clearSelection();
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) {
        if (o->top() > height_ - 10 || o->left() > width_ - 10 || o->width() < 1 || o->height() < 1) delete o;
    }
    emit repaintNeeded({});
}

void DesignSurface::addObject(TKGraphicControl* o, const QRect& rect) {
    o->setVisible(false);
    adoptObject(o);
    QString name;
    for (int n = 1; n <= 1000; ++n) {
        const QString candidate = QStringLiteral("Special%1").arg(n);
        if (!ownerHasName(candidate, o)) {
            name = candidate;
            break;
        }
    }
    o->setObjectName(name);
    o->setBounds(rect.x(), rect.y(), std::max(rect.width(), 10), std::max(rect.height(), 15));
    o->setZoomFactor(zoom_);
    o->setVisible(true);
    objectChanged(o);
    emit repaintNeeded(o->bounds());
}

TKGraphicControl* DesignSurface::createObjectInRect(QRect rect) {
    if (rect.width() < 25) rect.setWidth(50);
    if (rect.height() < 15) rect.setHeight(15);
    const auto& tools = toolTable();
    const auto it = std::find_if(tools.begin(), tools.end(), [&](const Tool& t) { return t.state == panelState_; });
    if (it == tools.end()) return nullptr;
    const PanelState tool = panelState_;
    if (panelState_ == psImage) setPanelState(psPointing);
    TKGraphicControl* o = DesignRegistry::instance().create(QString::fromLatin1(it->className));
    if (!o) return nullptr;
    o->loaded();
    for (const auto& s : it->settings) applySetting(*o, s);
    if (it->takesFont) o->applyFont(font_);
    addObject(o, rect);
    followUpCreation(tool, o);
    return o;
}

void DesignSurface::followUpCreation(PanelState tool, TKGraphicControl* o) {
    // Each tool finishes its object: a dialog for what only the user can say,
    // record data, and a size that fits the text.
    switch (tool) {
    case psLabel:
        if (auto* l = qobject_cast<TKPLabel*>(o)) {
            l->editAfterCreate();
            l->sizeToFit();
        }
        break;
    case psCounterLabel:
        if (auto* l = qobject_cast<TKCounterLabel*>(o)) l->sizeToFit();
        break;
    case psSymbolLabel:
        if (auto* l = qobject_cast<TKSymbolLabel*>(o)) l->editSymbol();
        break;
    case psDataLabel:
        if (auto* l = qobject_cast<TKPDLabel*>(o)) {
            l->editField();
            refreshData();
            l->sizeToFit();
        }
        break;
    case psMultiLineLabel:
        if (auto* l = qobject_cast<TKMultiLineLabel*>(o)) {
            l->editLines();
            l->sizeToFit();
        }
        break;
    case psAddressLabel:
        refreshData();
        if (auto* l = qobject_cast<TKDMultiLineAddressLabel*>(o)) l->sizeToFit();
        break;
    case psImage:
        if (auto* i = qobject_cast<TKImage*>(o)) i->loadImageFromDisk();
        break;
    case psMultiLineDataLabel:
    case psPostNetBarCode:
        refreshData();
        break;
    default:
        break;
    }
}

void DesignSurface::rubberBandReleased(const QRect& rect, bool toggle) {
    const QRect r = rect.normalized();
    emit repaintNeeded({});
    if (pointing_) {
        const auto touched = objectsInRect(r);
        if (toggle) {
            for (auto* o : touched) toggleSelection(o);
        } else {
            clearSelection();
            for (auto* o : touched) select(o);
        }
        return;
    }
    createObjectInRect(r);
    emit droppedObject(r);
}

std::vector<TKGraphicControl*> DesignSurface::objectsInRect(const QRect& rect) const {
    std::vector<TKGraphicControl*> out;
    for (auto* o : objects_)
        if (o->bounds().intersects(rect)) out.push_back(o);
    return out;
}

TKGraphicControl* DesignSurface::objectAt(const QPoint& p) const {
    for (auto it = objects_.rbegin(); it != objects_.rend(); ++it)
        if ((*it)->visible() && (*it)->bounds().contains(p)) return *it;
    return nullptr;
}

// ---------------------------------------------------------------- files

bool DesignSurface::saveToFile(const QString& path) {
    lastError_.clear();
    const float previous = zoom_;
    struct Restore {
        DesignSurface& s;
        float z;
        ~Restore() { s.setZoom(z); }
    } restore{*this, previous};
    if (zoom_ != 1.0f) setZoom(1.0f);
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->clearDataText();
    QStringList notes;
    try {
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
    if (dialogs_) {
        if (!lastError_.isEmpty()) dialogs_->showError(lastError_);
        for (const auto& n : notes) dialogs_->showInfo(n);
    }
    return lastError_.isEmpty();
}

DesignSurface::LoadResult DesignSurface::loadFromFile(const QString& path) {
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

// ---------------------------------------------------------------- painting

QPainterPath DesignSurface::shapePath() const {
    QPainterPath path;
    const QRectF r(0, 0, width_, height_);
    switch (shape_) {
    case lsRectangle: path.addRect(r); break;
    case lsRoundRect: path.addRoundedRect(r, 12, 12); break;
    case lsEllipse: path.addEllipse(r); break;
    }
    return path;
}

void DesignSurface::paintGrid(QImage& img) const {
    // Dots are combined with what lies below by AND: on white they take the
    // dot colour, on darker art they stay dark.
    const QPainterPath path = shapePath();
    const QRgb dot = qRgb(0, 128, 0);
    const int s = gridStep();
    for (int y = 2; y < img.height(); y += s) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 2; x < img.width(); x += s) {
            if (!path.contains(QPointF(x + 0.5, y + 0.5))) continue;
            line[x] = (line[x] & dot) | 0xFF000000u;
        }
    }
}

QImage DesignSurface::render() const {
    QImage img(std::max(1, width_), std::max(1, height_), QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        if (!picture_.isNull()) {
            p.save();
            p.setClipPath(shapePath());
            p.drawImage(QRect(0, 0, width_, height_), picture_);
            p.restore();
        }
        if (drawOutline_) {
            p.save();
            p.setRenderHint(QPainter::Antialiasing, false);
            QPen pen(Qt::black, 0, Qt::DotLine);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            const QRectF r(0, 0, width_ - 1, height_ - 1);
            switch (shape_) {
            case lsRectangle: p.drawRect(r); break;
            case lsRoundRect: p.drawRoundedRect(r, 12, 12); break;
            case lsEllipse: p.drawEllipse(r); break;
            }
            p.restore();
        }
    }
    if (showGrid_) paintGrid(img);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    for (auto* o : objects_) {
        if (!o->visible()) continue;
        p.save();
        p.translate(o->left(), o->top());
        p.setClipRect(QRect(0, 0, o->width(), o->height()));
        PaintContext ctx;
        ctx.selected = isSelected(o);
        o->paint(p, ctx);
        p.restore();
    }
    return img;
}

void DesignSurface::paint(QPainter& p) const { p.drawImage(0, 0, render()); }

// ---------------------------------------------------------------- from objects

void DesignSurface::objectChanged(TKGraphicControl*) {
    if (printing_ || zooming_ || loading_) return;
    emit labelChanged();
}

void DesignSurface::objectBoundsChanged(TKGraphicControl* o) {
    emit repaintNeeded({});
    if (isSelected(o)) emit selectionBoundsChanged();
}

void DesignSurface::objectNeedsRepaint(TKGraphicControl* o) {
    if (printing_) return;
    emit repaintNeeded(o->bounds());
}

BoundField readBoundField(const DesignSurface* s, const QString& label) {
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
