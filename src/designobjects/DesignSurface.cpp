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
#include "designobjects/IntelligentMail.h"
#include "designobjects/DesignStream.h"
#include "designobjects/RecordSource.h"
#include "designobjects/TKGraphicControl.h"
#include "designobjects/TKLabelObjectFiler.h"
#include "designobjects/MultiLineLabels.h"
#include "designobjects/TextLabelKinds.h"
#include "designobjects/TKImage.h"

namespace brindle::designobjects {

namespace {

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
        {DesignSurface::psIMBarCode, "TKIMBarCode", false,
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

DesignSurface::DesignSurface(Kind kind, QObject* parent) : DesignDocument(kind, parent), view_(*this) {}

QString DesignSurface::clipFilePath() const {
    const auto& clip = view_.clipFile();
    return clip ? *clip : common::programDir() + QStringLiteral("Clipbrd.tmp");
}

DesignSurface::~DesignSurface() {
    view_.selection().clear();
    while (!objects_.empty()) delete objects_.back();
    // Copied objects last only as long as the window that holds a surface.
    const QString clip = clipFilePath();
    if (!clip.isEmpty()) QFile::remove(clip);
}

// ---------------------------------------------------------------- size and zoom

void DesignSurface::setSize(int w, int h) {
    const QSize shownNow = size();
    if (w == shownNow.width() && h == shownNow.height()) return;
    const QSize design = designSize();
    // Only a dimension that differs from what its design value shows was
    // given; the other keeps its exact design value.
    auto back = [this](int shown, int design) { return view_.shown(design) == shown ? design : view_.design(shown); };
    setDesignSize(QSize(back(std::max(0, w), design.width()), back(std::max(0, h), design.height())));
}

void DesignSurface::setDesignSize(const QSize& s) {
    const QSize before = designSize();
    DesignDocument::setDesignSize(s);
    if (designSize() != before) emit sizeChanged(size());
}

void DesignSurface::setZoom(float x) {
    if (x == view_.zoom()) return;
    zooming_ = true;
    // Shown sizes always derive from the design at zoom 1.0, so that no
    // number of zooms rounds the surface or its objects away from it.
    view_.setZoomValue(x);
    for (auto* o : std::vector<TKGraphicControl*>(objects_)) o->setZoom(x);
    emit sizeChanged(size());
    emit repaintNeeded({});
    zooming_ = false;
}

void DesignSurface::objectsRead(std::size_t first) {
    const float z = view_.zoom();
    for (std::size_t i = first; i < objects_.size(); ++i) objects_[i]->setZoom(z);
}

// ---------------------------------------------------------------- properties

void DesignSurface::setDrawOutline(bool v) {
    view_.setDrawOutline(v);
    emit repaintNeeded({});
}

void DesignSurface::setPicture(const QImage& img) {
    view_.setPicture(img);
    emit repaintNeeded({});
}

void DesignSurface::setGridSize(GridSize g) {
    view_.setGridSize(g);
    emit repaintNeeded({});
}

void DesignSurface::setShowGrid(bool v) {
    view_.setShowGrid(v);
    emit repaintNeeded({});
}

void DesignSurface::setPanelState(PanelState s) {
    view_.setPanelStateValue(s);
    view_.setPointing(s == psPointing);
    emit panelStateChanged(s);
}

// ---------------------------------------------------------------- objects

void DesignSurface::removeFromLists(TKGraphicControl* o) {
    DesignDocument::removeFromLists(o);
    auto& sel = view_.selection();
    const auto before = sel.size();
    sel.erase(std::remove(sel.begin(), sel.end(), o), sel.end());
    if (before != sel.size()) emit selectionChanged();
}

void DesignSurface::clearObjects() {
    clearSelection();
    DesignDocument::clearObjects();
}

void DesignSurface::select(TKGraphicControl* o) {
    if (!o || o->surface() != this || o->unselectable() || isSelected(o)) return;
    view_.selection().push_back(o);
    emit selectionChanged();
    emit repaintNeeded(o->bounds());
}

void DesignSurface::deselect(TKGraphicControl* o) {
    const auto it = std::find(view_.selection().begin(), view_.selection().end(), o);
    if (it == view_.selection().end()) return;
    view_.selection().erase(it);
    emit selectionChanged();
    emit repaintNeeded({});
}

void DesignSurface::toggleSelection(TKGraphicControl* o) {
    if (isSelected(o)) deselect(o);
    else select(o);
}

void DesignSurface::clearSelection() {
    if (view_.selection().empty()) return;
    view_.selection().clear();
    emit selectionChanged();
    emit repaintNeeded({});
}

void DesignSurface::selectAll() {
    clearSelection();
    for (auto* o : objects_) select(o);
}

void DesignSurface::applyOverlay(const QRect& overlay) {
    const QRect before = overlayRect();
    if (before.isNull() || overlay == before) return;
    for (auto* o : std::vector<TKGraphicControl*>(view_.selection())) {
        if (o->locked()) continue;
        o->setBounds(selection::followOverlay(o->bounds(), before, overlay));
    }
    emit repaintNeeded({});
}

// ---------------------------------------------------------------- commands

void DesignSurface::bringToFront() {
    if (view_.selection().empty()) return;
    for (auto* o : view_.selection()) raise(o);
    objectChanged(nullptr);
    emit repaintNeeded({});
}

void DesignSurface::sendToBack() {
    if (view_.selection().empty()) return;
    for (auto* o : view_.selection()) lower(o);
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
        // The clip file holds the design's bounds at zoom 1.0 like a design
        // file, so that a paste at any zoom puts the objects where they belong.
        TKLabelObjectFiler().saveSelection(objects, path);
        return true;
    } catch (const DesignFileError& e) {
        reportError(e.message());
        return false;
    }
}

void DesignSurface::copy() { writeClip(view_.selection()); }

void DesignSurface::copy(TKGraphicControl* o) {
    if (!o || o->surface() != this) return;
    if (isSelected(o)) copy();
    else writeClip({o});
}

bool DesignSurface::copiedForCut(TKGraphicControl* o) {
    // Without a clip file (printing and scratch surfaces) a cut is a delete.
    if (clipFilePath().isEmpty()) return true;
    return o && !isSelected(o) ? writeClip({o}) : writeClip(view_.selection());
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
    if (view_.selection().empty()) return;
    destroyObjects(view_.selection());
}

void DesignSurface::remove(TKGraphicControl* o) {
    if (!o || o->surface() != this) return;
    if (isSelected(o)) deleteSelection();
    else destroyObjects({o});
}

// A cut whose copy could not be written deletes nothing: the objects would
// otherwise be gone with no copy of them anywhere.
void DesignSurface::cut() {
    if (view_.selection().empty() || !copiedForCut(nullptr)) return;
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
    if (!view_.pasteGate().ready() || !clipFileExists()) return false;
    lastError_.clear();
    try {
        TKLabelObjectFiler().pasteObjects(owner_, *this, clipFilePath());
    } catch (const DesignFileError& e) {
        // The objects read before the damage stay.
        reportError(e.message());
    }
    // The objects were read at zoom 1.0 (the offset included) and are shown
    // at the surface's zoom (objectsRead).
    view_.pasteGate().stamp();
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
    // The copy has the source's design bounds, 25 pixels lower at zoom 1.0,
    // and is shown at the surface's zoom like every other object.
    copy->setDesignBounds(o->designBounds().translated(0, selection::kCloneOffset));
    raise(copy);
    refreshData();
    const auto it = std::find(view_.selection().begin(), view_.selection().end(), o);
    if (it != view_.selection().end()) {
        *it = copy;
        emit selectionChanged();
        emit selectionBoundsChanged();
    }
    objectChanged(copy);
    emit repaintNeeded({});
    return copy;
}

void DesignSurface::align(selection::Align how) {
    if (view_.selection().empty()) return;
    objectChanged(nullptr);
    std::vector<QRect> bounds;
    for (auto* o : view_.selection()) bounds.push_back(o->bounds());
    const auto moved = selection::aligned(bounds, how, size());
    const auto sel = view_.selection();
    for (std::size_t i = 0; i < sel.size(); ++i) sel[i]->setBounds(moved[i]);
    emit repaintNeeded({});
}

void DesignSurface::alignLeft() { align(selection::Align::Left); }
void DesignSurface::alignRight() { align(selection::Align::Right); }
void DesignSurface::alignTops() { align(selection::Align::Tops); }
void DesignSurface::alignBottoms() { align(selection::Align::Bottoms); }

void DesignSurface::centerVertically() {
    for (auto* o : std::vector<TKGraphicControl*>(view_.selection())) o->centerVertically();
}

void DesignSurface::centerHorizontally() {
    for (auto* o : std::vector<TKGraphicControl*>(view_.selection())) o->centerHorizontally();
}

void DesignSurface::applyFontToSelection() {
    if (view_.selection().empty()) return;
    auto* d = designDialogs();
    if (!d) return;
    const auto f = d->chooseFont(font());
    if (!f) return;
    for (auto* o : std::vector<TKGraphicControl*>(view_.selection())) o->applyFont(*f);
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
    const bool selected = !view_.selection().empty();
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

void DesignSurface::clampObjects() {
    clearSelection();
    DesignDocument::clampObjects();
}

void DesignSurface::deleteOutsideObjects() {
    clearSelection();
    DesignDocument::deleteOutsideObjects();
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
    o->setZoomFactor(view_.zoom());
    o->setVisible(true);
    objectChanged(o);
    emit repaintNeeded(o->bounds());
}

TKGraphicControl* DesignSurface::createObjectInRect(QRect rect) {
    if (rect.width() < 25) rect.setWidth(50);
    if (rect.height() < 15) rect.setHeight(15);
    const auto& tools = toolTable();
    const auto it = std::find_if(tools.begin(), tools.end(), [&](const Tool& t) { return t.state == view_.panelState(); });
    if (it == tools.end()) return nullptr;
    const PanelState tool = view_.panelState();
    if (view_.panelState() == psImage) setPanelState(psPointing);
    TKGraphicControl* o = DesignRegistry::instance().create(QString::fromLatin1(it->className));
    if (!o) return nullptr;
    o->loaded();
    for (const auto& s : it->settings) applySetting(*o, s);
    if (it->takesFont) o->applyFont(font());
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
    case psIMBarCode:
        if (auto* b = qobject_cast<TKIMBarCode*>(o)) {
            b->applyDefaults();
            // Without a mailer ID the barcode prints nothing: ask for one at once
            // rather than leave a design that looks finished but is not.
            if (imb::serialLength(b->tracking().mailerId) == 0) b->editSettings();
        }
        refreshData();
        break;
    default:
        break;
    }
}

void DesignSurface::rubberBandReleased(const QRect& rect, bool toggle) {
    const QRect r = rect.normalized();
    emit repaintNeeded({});
    if (view_.pointing()) {
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

// ---------------------------------------------------------------- painting

QPainterPath DesignSurface::shapePath() const {
    QPainterPath path;
    const QRectF r(0, 0, width(), height());
    switch (shape()) {
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
    QImage img(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        if (!view_.picture().isNull()) {
            p.save();
            p.setClipPath(shapePath());
            p.drawImage(QRect(0, 0, width(), height()), view_.picture());
            p.restore();
        }
        if (view_.drawOutline()) {
            p.save();
            p.setRenderHint(QPainter::Antialiasing, false);
            QPen pen(Qt::black, 0, Qt::DotLine);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            const QRectF r(0, 0, width() - 1, height() - 1);
            switch (shape()) {
            case lsRectangle: p.drawRect(r); break;
            case lsRoundRect: p.drawRoundedRect(r, 12, 12); break;
            case lsEllipse: p.drawEllipse(r); break;
            }
            p.restore();
        }
    }
    if (view_.showGrid()) paintGrid(img);
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

void DesignSurface::objectBoundsChanged(TKGraphicControl* o) {
    DesignDocument::objectBoundsChanged(o);
    if (isSelected(o)) emit selectionBoundsChanged();
}

}  // namespace brindle::designobjects
