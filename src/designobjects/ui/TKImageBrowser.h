#pragma once
// "Load Image File ": the picture chooser of the picture object. A drive
// list and a directory tree choose the folder, the file list shows the
// picture files in it, and selecting a file previews it on the right.
// "Stretch" and "AutoSize" choose how the preview (and then the object)
// treats the picture's size; at most one of them is checked, both may be off.
#include <functional>

#include "designobjects/DesignDialogs.h"
#include "designobjects/ui/DesignDialogBase.h"
#include "pictures/PictureFiles.h"

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QListView;
class QScrollArea;
class QToolButton;
class QTreeView;

namespace brindle::designobjects {

namespace imagebrowser {

// The file list's patterns: "*.BMP;*.DIB;*.JPG;*.JIF;*.PCX;*.RLE;*.TGA;*.WMF;*.ICO".
QStringList nameFilters();

// A read picture file as the picture an object takes: bitmaps (icons
// included) become opaque bitmaps, transparent parts white; metafiles keep
// their bytes. Empty when nothing was read.
DesignPicture pictureFromFile(const pictures::PictureFile& file);

// The two boxes after the user set one of them: checking one unchecks the
// other; unchecking leaves the other as it is.
struct Options {
    bool stretch = true;
    bool autoSize = false;
    bool operator==(const Options&) const = default;
};
Options afterStretchClicked(Options o, bool checked);
Options afterAutoSizeClicked(Options o, bool checked);

// The size the preview draws the picture at inside an area: stretched to the
// area, or its own size.
QSize previewSize(QSize picture, QSize area, bool stretch);

}  // namespace imagebrowser

class PicturePreview;

class TKImageBrowser : public DesignDialog {
    Q_OBJECT
public:
    using Loader = std::function<pictures::PictureFile(const QString& path)>;
    // Tells the user about a file that was not read: an error, or a warning
    // when the format's decoder is not installed.
    using ErrorReporter = std::function<void(const QString& title, const QString& message, bool warning)>;

    explicit TKImageBrowser(QWidget* parent = nullptr);
    ~TKImageBrowser() override;

    void setOptions(bool stretch, bool autoSize);
    bool stretch() const;
    bool autoSize() const;

    // The folder whose files the list shows.
    void setDirectory(const QString& path);
    QString directory() const;
    // Selects a file as a click in the file list does (and previews it).
    void selectFile(const QString& path);
    // The selected file; empty when none is.
    const QString& selectedFile() const { return selected_; }
    const DesignPicture& previewPicture() const { return picture_; }
    // A file is selected but could not be read.
    bool previewFailed() const { return failed_; }
    // What Ok hands back: the preview's picture, whether it failed, the boxes.
    PictureChoice choice() const;

    // How files are read (the picture readers unless replaced) and how a
    // failure is told (a message box unless replaced).
    void setLoader(Loader l) { loader_ = std::move(l); }
    void setErrorReporter(ErrorReporter r) { reportError_ = std::move(r); }

    QComboBox* driveList() const { return drives_; }
    QTreeView* directoryList() const { return folders_; }
    QListView* fileList() const { return files_; }
    QFileSystemModel* fileModel() const { return fileModel_; }
    QScrollArea* previewArea() const { return scroll_; }
    PicturePreview* preview() const { return preview_; }
    QCheckBox* stretchBox() const { return stretchBox_; }
    QCheckBox* autoSizeBox() const { return autoSizeBox_; }
    QToolButton* contextHelpButton() const { return whatsThis_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void driveChosen(int index);
    void folderChosen(const QString& path);
    void loadPreview(const QString& path);
    void clearPreview();
    void applyOptions(imagebrowser::Options o);
    void layoutPreview();
    void showFolderInTree();

    QComboBox* drives_;
    QTreeView* folders_;
    QFileSystemModel* folderModel_;
    QListView* files_;
    QFileSystemModel* fileModel_;
    QLabel* folderLabel_;
    QScrollArea* scroll_;
    PicturePreview* preview_;
    QLabel* info_;
    QCheckBox* stretchBox_;
    QCheckBox* autoSizeBox_;
    QToolButton* whatsThis_;

    Loader loader_;
    ErrorReporter reportError_;
    QString selected_;
    DesignPicture picture_;
    bool failed_ = false;
    QString shownFolder_;  // the folder the tree should show as current once it is read
};

// The preview's drawing: the picture stretched to the widget, or at its own
// size from the top-left corner.
class PicturePreview : public QWidget {
    Q_OBJECT
public:
    explicit PicturePreview(QWidget* parent = nullptr);
    void setPicture(const DesignPicture& p);
    void clear() { setPicture({}); }
    bool hasPicture() const { return !picture_.isEmpty(); }
    void setStretch(bool v);
    // The picture's own size (empty without a picture).
    QSize pictureSize() const { return size_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    DesignPicture picture_;
    QImage image_;  // bitmaps, decoded once
    QSize size_;
    bool stretch_ = true;
};

}  // namespace brindle::designobjects
