#include "designobjects/ui/TKImageBrowser.h"
#include "help/HelpTopics.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QStorageInfo>
#include <QToolButton>
#include <QTreeView>
#include <QWhatsThis>

namespace brindle::designobjects {

namespace imagebrowser {

QStringList nameFilters() {
    // The model compares without regard to case, so "photo.bmp" shows as well as "PHOTO.BMP".
    return {"*.BMP", "*.DIB", "*.JPG", "*.JIF", "*.PCX", "*.RLE", "*.TGA", "*.WMF", "*.ICO"};
}

DesignPicture pictureFromFile(const pictures::PictureFile& file) {
    if (file.kind == pictures::PictureKind::Metafile && !file.bytes.isEmpty())
        return DesignPicture{QStringLiteral("TMetafile"), file.bytes};
    if (file.kind != pictures::PictureKind::Bitmap || file.image.isNull()) return {};
    // An icon or a picture with transparent parts is drawn on white, as it
    // shows in the designer and prints.
    QImage opaque(file.image.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    {
        QPainter p(&opaque);
        p.drawImage(0, 0, file.image);
    }
    return DesignPicture::fromImage(opaque);
}

Options afterStretchClicked(Options o, bool checked) {
    o.stretch = checked;
    if (checked) o.autoSize = false;
    return o;
}

Options afterAutoSizeClicked(Options o, bool checked) {
    o.autoSize = checked;
    if (checked) o.stretch = false;
    return o;
}

QSize previewSize(QSize picture, QSize area, bool stretch) { return stretch ? area : picture; }

}  // namespace imagebrowser

namespace {

constexpr int kPreviewWidth = 232;
constexpr int kPreviewHeight = 214;

// "What's this?" on the control's context menu and in context-help mode.
void offerWhatsThis(QWidget* w, const QString& text) {
    w->setWhatsThis(text);
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(w, &QWidget::customContextMenuRequested, w, [w](const QPoint& pos) {
        // Scroll areas report the position inside their viewport.
        const auto* area = qobject_cast<QAbstractScrollArea*>(w);
        const QPoint global = area ? area->viewport()->mapToGlobal(pos) : w->mapToGlobal(pos);
        QMenu menu(w);
        QAction* what = menu.addAction(QStringLiteral("What's this?"));
        if (menu.exec(global) == what) QWhatsThis::showText(global, w->whatsThis(), w);
    });
}

QString driveOf(const QString& path, const QStringList& drives) {
    QString best = QStringLiteral("/");
    for (const QString& d : drives)
        if ((path == d || path.startsWith(d.endsWith('/') ? d : d + '/')) && d.size() > best.size()) best = d;
    return best;
}

}  // namespace

// ---------------------------------------------------------------- preview

PicturePreview::PicturePreview(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void PicturePreview::setPicture(const DesignPicture& p) {
    picture_ = p;
    image_ = QImage();
    size_ = QSize();
    if (p.kind == QLatin1String("TMetafile")) {
        size_ = pictures::metafileSize(p.data);
    } else if (!p.isEmpty()) {
        image_ = p.toImage();
        size_ = image_.size();
    }
    update();
}

void PicturePreview::setStretch(bool v) {
    stretch_ = v;
    update();
}

void PicturePreview::paintEvent(QPaintEvent*) {
    if (picture_.isEmpty()) return;
    QPainter p(this);
    const QSize s = imagebrowser::previewSize(size_, size(), stretch_);
    if (s.isEmpty()) return;
    const QRectF target(QPointF(0, 0), QSizeF(s));
    if (picture_.kind == QLatin1String("TMetafile")) pictures::drawMetafile(p, target, picture_.data);
    else if (!image_.isNull()) p.drawImage(target, image_);
}

// ---------------------------------------------------------------- dialog

TKImageBrowser::TKImageBrowser(QWidget* parent)
    : DesignDialog(QStringLiteral("Load Image File "), help::topic::PictureChooser, parent),
      loader_([](const QString& path) { return pictures::loadPictureFile(path); }),
      reportError_([this](const QString& title, const QString& message, bool warning) {
          QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Critical, title, message, QMessageBox::Ok,
                          this);
          box.exec();
      }) {
    setFont(QFont(QStringLiteral("Arial"), 8));
    // Fixed places on a fixed client area rather than the base's button row.
    delete layout();
    setFixedSize(592, 300);

    drives_ = new QComboBox(this);
    drives_->setObjectName(QStringLiteral("driveList"));
    drives_->setGeometry(8, 8, 168, 22);
    QStringList roots{QStringLiteral("/")};
    const QString home = QDir::homePath();
    if (home != QLatin1String("/")) roots << home;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        const QString r = v.rootPath();
        if (v.isValid() && v.isReady() && !roots.contains(r) &&
            (r.startsWith(QLatin1String("/media/")) || r.startsWith(QLatin1String("/mnt/")) ||
             r.startsWith(QLatin1String("/run/media/"))))
            roots << r;
    }
    for (const QString& r : roots) drives_->addItem(r, r);

    folderModel_ = new QFileSystemModel(this);
    folderModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folders_ = new QTreeView(this);
    folders_->setObjectName(QStringLiteral("directoryList"));
    folders_->setGeometry(8, 34, 168, 188);
    folders_->setModel(folderModel_);
    folders_->setHeaderHidden(true);
    for (int c = 1; c < folderModel_->columnCount(); ++c) folders_->hideColumn(c);

    fileModel_ = new QFileSystemModel(this);
    fileModel_->setFilter(QDir::Files);
    fileModel_->setNameFilters(imagebrowser::nameFilters());
    fileModel_->setNameFilterDisables(false);
    files_ = new QListView(this);
    files_->setObjectName(QStringLiteral("fileList"));
    files_->setGeometry(184, 8, 160, 214);
    files_->setModel(fileModel_);
    files_->setSelectionMode(QAbstractItemView::SingleSelection);

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("previewArea"));
    scroll_->setGeometry(352, 8, kPreviewWidth, kPreviewHeight);
    scroll_->setBackgroundRole(QPalette::Base);
    preview_ = new PicturePreview;
    scroll_->setWidget(preview_);

    folderLabel_ = new QLabel(this);
    folderLabel_->setGeometry(8, 226, 336, 16);
    info_ = new QLabel(this);
    info_->setObjectName(QStringLiteral("pictureInfo"));
    info_->setGeometry(352, 226, kPreviewWidth, 16);

    okButton()->setGeometry(8, 262, 75, 25);
    cancelButton()->setGeometry(89, 262, 75, 25);
    auto* options = new QGroupBox(QStringLiteral(" Options "), this);
    options->setGeometry(176, 244, 200, 48);
    stretchBox_ = new QCheckBox(QStringLiteral("Stretch"), options);
    stretchBox_->setObjectName(QStringLiteral("stretchBox"));
    stretchBox_->setGeometry(12, 20, 80, 20);
    stretchBox_->setToolTip(QStringLiteral("Stretch image to max display size"));
    autoSizeBox_ = new QCheckBox(QStringLiteral("AutoSize"), options);
    autoSizeBox_->setObjectName(QStringLiteral("autoSizeBox"));
    autoSizeBox_->setGeometry(100, 20, 90, 20);
    autoSizeBox_->setToolTip(QStringLiteral("AutoSize TImage"));
    helpButton()->setGeometry(384, 262, 75, 25);
    whatsThis_ = new QToolButton(this);
    whatsThis_->setObjectName(QStringLiteral("contextHelpButton"));
    whatsThis_->setText(QStringLiteral("?"));
    whatsThis_->setToolTip(QStringLiteral("What's this?"));
    whatsThis_->setGeometry(465, 262, 25, 25);
    connect(whatsThis_, &QToolButton::clicked, this, [] { QWhatsThis::enterWhatsThisMode(); });

    offerWhatsThis(drives_, QStringLiteral("The drives and places to look in. Choose one to show its folders below."));
    offerWhatsThis(folders_, QStringLiteral("The folders of the chosen drive. Click a folder to list its pictures."));
    offerWhatsThis(files_, QStringLiteral("The picture files in the chosen folder. Click one to see it on the right."));
    offerWhatsThis(scroll_, QStringLiteral("The selected picture as it will be taken. Scroll to see a large "
                                           "picture shown at its own size."));
    offerWhatsThis(stretchBox_, QStringLiteral("Stretches the picture to the preview, and the picture object keeps "
                                               "its size: the picture is fitted to it."));
    offerWhatsThis(autoSizeBox_, QStringLiteral("Shows the picture at its own size, and the picture object takes "
                                                "that size."));
    offerWhatsThis(okButton(), QStringLiteral("Takes the selected picture and the options for the picture object."));
    offerWhatsThis(cancelButton(), QStringLiteral("Closes the window and leaves the picture object as it was."));
    offerWhatsThis(helpButton(), QStringLiteral("Opens the help page for this window."));
    offerWhatsThis(whatsThis_, QStringLiteral("Click this button, then a control, to learn what the control does."));

    connect(drives_, &QComboBox::activated, this, &TKImageBrowser::driveChosen);
    connect(folderModel_, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
        if (!shownFolder_.isEmpty() && (shownFolder_ + QLatin1Char('/')).startsWith(path)) showFolderInTree();
    });
    connect(folders_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) folderChosen(folderModel_->filePath(current));
            });
    // A file counts as chosen once it is selected; the list merely taking the
    // focus (which makes its first row current) previews nothing.
    connect(files_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList rows = files_->selectionModel()->selectedIndexes();
        if (!rows.isEmpty() && !fileModel_->isDir(rows.first())) loadPreview(fileModel_->filePath(rows.first()));
    });
    connect(stretchBox_, &QCheckBox::clicked, this, [this](bool checked) {
        applyOptions(imagebrowser::afterStretchClicked({stretch(), autoSize()}, checked));
    });
    connect(autoSizeBox_, &QCheckBox::clicked, this, [this](bool checked) {
        applyOptions(imagebrowser::afterAutoSizeClicked({stretch(), autoSize()}, checked));
    });

    setOptions(true, false);
    setDirectory(QDir::currentPath());
}

TKImageBrowser::~TKImageBrowser() = default;

void TKImageBrowser::setOptions(bool stretch, bool autoSize) { applyOptions({stretch, autoSize}); }

bool TKImageBrowser::stretch() const { return stretchBox_->isChecked(); }
bool TKImageBrowser::autoSize() const { return autoSizeBox_->isChecked(); }

void TKImageBrowser::applyOptions(imagebrowser::Options o) {
    stretchBox_->setChecked(o.stretch);
    autoSizeBox_->setChecked(o.autoSize);
    layoutPreview();
}

void TKImageBrowser::layoutPreview() {
    if (autoSize()) {
        // The picture at its own size, scrolled when it is larger than the area.
        scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        scroll_->setWidgetResizable(false);
        preview_->setStretch(false);
        const QSize s = preview_->pictureSize();
        preview_->resize(s.isEmpty() ? scroll_->viewport()->size() : s);
    } else {
        // The preview fills the whole area, with nothing to scroll: the
        // picture stretched, or at its own size, cut off.
        scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll_->setWidgetResizable(true);
        preview_->setStretch(stretch());
    }
}

QString TKImageBrowser::directory() const { return fileModel_->rootPath(); }

void TKImageBrowser::setDirectory(const QString& path) {
    const QString dir = QDir(path).absolutePath();
    QStringList roots;
    for (int i = 0; i < drives_->count(); ++i) roots << drives_->itemData(i).toString();
    const QString drive = driveOf(dir, roots);
    drives_->setCurrentIndex(std::max(0, int(roots.indexOf(drive))));
    folderModel_->setRootPath(drive);
    folders_->setRootIndex(folderModel_->index(drive));
    shownFolder_ = dir;
    showFolderInTree();
    folderChosen(dir);
}

void TKImageBrowser::showFolderInTree() {
    // The tree reads folders in the background: the current folder can be
    // shown only once its parents are read.
    const QModelIndex at = folderModel_->index(shownFolder_);
    if (!at.isValid()) return;
    const QSignalBlocker block(folders_->selectionModel());
    folders_->setCurrentIndex(at);
    folders_->scrollTo(at);
}

void TKImageBrowser::driveChosen(int index) {
    if (index < 0) return;
    const QString root = drives_->itemData(index).toString();
    folderModel_->setRootPath(root);
    folders_->setRootIndex(folderModel_->index(root));
    folderChosen(root);
}

void TKImageBrowser::folderChosen(const QString& path) {
    fileModel_->setRootPath(path);
    files_->setRootIndex(fileModel_->index(path));
    folderLabel_->setText(folderLabel_->fontMetrics().elidedText(QDir::toNativeSeparators(path), Qt::ElideMiddle,
                                                                 folderLabel_->width()));
    folderLabel_->setToolTip(path);
    // Another folder: no file is selected any more.
    if (path != shownFolder_) shownFolder_.clear();
    selected_.clear();
    failed_ = false;
    clearPreview();
}

void TKImageBrowser::selectFile(const QString& path) {
    const QFileInfo fi(path);
    if (QDir(fi.absolutePath()).absolutePath() != QDir(directory()).absolutePath()) setDirectory(fi.absolutePath());
    const QModelIndex at = fileModel_->index(fi.absoluteFilePath());
    if (at.isValid()) {
        const QSignalBlocker block(files_->selectionModel());
        files_->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    }
    loadPreview(fi.absoluteFilePath());
}

void TKImageBrowser::loadPreview(const QString& path) {
    selected_ = path;
    const pictures::PictureFile file = loader_ ? loader_(path) : pictures::PictureFile{};
    picture_ = imagebrowser::pictureFromFile(file);
    failed_ = picture_.isEmpty();
    if (failed_) {
        // Whatever the format, the user learns that the file was not read.
        if (reportError_) {
            if (file.decoderMissing)
                reportError_(pictures::missingDecoderTitle(), pictures::missingDecoderText(), true);
            else
                reportError_(QStringLiteral("Error"), QStringLiteral("Error loading file!"), false);
        }
        clearPreview();
        return;
    }
    preview_->setPicture(picture_);
    const QSize s = preview_->pictureSize();
    info_->setText(s.isEmpty() ? QString() : QStringLiteral("%1 x %2").arg(s.width()).arg(s.height()));
    layoutPreview();
}

void TKImageBrowser::clearPreview() {
    preview_->clear();
    info_->clear();
    layoutPreview();
}

PictureChoice TKImageBrowser::choice() const {
    PictureChoice c;
    c.picture = failed_ ? DesignPicture() : picture_;
    c.loadFailed = failed_ && !selected_.isEmpty();
    c.stretch = stretch();
    c.autoSize = autoSize();
    return c;
}

void TKImageBrowser::showEvent(QShowEvent* e) {
    DesignDialog::showEvent(e);
    files_->setFocus();
}

}  // namespace brindle::designobjects
