// The picture chooser "Load Image File " as a real window (offscreen): its
// fixed layout, the file mask, the two option boxes, the preview of good and
// unreadable files, and a scripted run through the design dialogs.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>
#include <map>

#include "DesignTestSupport.h"

#include "designobjects/ui/QtDesignDialogs.h"
#include "designobjects/ui/TKImageBrowser.h"

using namespace brindle::designobjects;
using namespace brindle::designobjects::test;
using brindle::pictures::PictureFile;
using brindle::pictures::PictureKind;

namespace {

QStringList listedFiles(TKImageBrowser& d) {
    QStringList names;
    const QModelIndex root = d.fileList()->rootIndex();
    for (int i = 0; i < d.fileModel()->rowCount(root); ++i) names << d.fileModel()->index(i, 0, root).data().toString();
    names.sort();
    return names;
}

void touch(const QString& path, const QByteArray& bytes = "x") {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

TEST(ImageBrowserWidgetTest, FixedLayoutHelpAndFocus) {
    TKImageBrowser d;
    EXPECT_EQ(d.windowTitle(), "Load Image File ");
    EXPECT_EQ(d.size(), QSize(592, 300));
    EXPECT_EQ(d.minimumSize(), d.maximumSize());
    EXPECT_EQ(d.font().family(), "Arial");
    EXPECT_EQ(d.font().pointSize(), 8);
    EXPECT_EQ(d.previewArea()->size(), QSize(232, 214));
    EXPECT_EQ(d.helpTopic(), 40003);
    EXPECT_TRUE(d.okButton()->isDefault());
    EXPECT_EQ(d.okButton()->text(), "Ok");
    EXPECT_EQ(d.stretchBox()->toolTip(), "Stretch image to max display size");
    EXPECT_EQ(d.autoSizeBox()->toolTip(), "AutoSize TImage");
    for (QWidget* w : std::initializer_list<QWidget*>{d.driveList(), d.directoryList(), d.fileList(), d.previewArea(),
                                                      d.stretchBox(), d.autoSizeBox(), d.okButton(), d.cancelButton(),
                                                      d.helpButton(), d.contextHelpButton()}) {
        EXPECT_FALSE(w->whatsThis().isEmpty()) << w->objectName().toStdString();
        EXPECT_EQ(w->contextMenuPolicy(), Qt::CustomContextMenu) << w->objectName().toStdString();
        EXPECT_TRUE(QRect(QPoint(0, 0), d.size()).contains(w->geometry().translated(w->parentWidget()->mapTo(&d, QPoint(0, 0)))))
            << w->objectName().toStdString();
    }
    d.show();
    EXPECT_TRUE(waitFor([&] { return d.focusWidget() == d.fileList(); }));
}

TEST(ImageBrowserWidgetTest, FileListShowsPictureFilesInAnyCase) {
    QTemporaryDir dir;
    for (const char* name : {"a.bmp", "B.DIB", "c.Wmf", "d.txt", "e.ico", "f.jpg", "g.pcx", "h.JIF", "i.rle",
                             "j.tga", "k.png", "l.emf", "readme"})
        touch(dir.filePath(name));
    QDir(dir.path()).mkdir("sub");
    TKImageBrowser d;
    d.setDirectory(dir.path());
    EXPECT_EQ(QDir(d.directory()), QDir(dir.path()));
    const QStringList want{"B.DIB", "a.bmp", "c.Wmf", "e.ico", "f.jpg", "g.pcx", "h.JIF", "i.rle", "j.tga"};
    EXPECT_TRUE(waitFor([&] { return listedFiles(d) == want; })) << listedFiles(d).join(' ').toStdString();
}

TEST(ImageBrowserWidgetTest, StretchAndAutoSizeExcludeEachOtherButMayBothBeOff) {
    using imagebrowser::Options;
    EXPECT_EQ(imagebrowser::afterAutoSizeClicked({true, false}, true), (Options{false, true}));
    EXPECT_EQ(imagebrowser::afterAutoSizeClicked({false, true}, false), (Options{false, false}));
    EXPECT_EQ(imagebrowser::afterStretchClicked({false, false}, true), (Options{true, false}));

    TKImageBrowser d;
    d.setOptions(true, false);
    d.autoSizeBox()->click();
    EXPECT_FALSE(d.stretch());
    EXPECT_TRUE(d.autoSize());
    d.autoSizeBox()->click();
    EXPECT_FALSE(d.stretch());
    EXPECT_FALSE(d.autoSize());
    EXPECT_FALSE(d.choice().stretch);
    EXPECT_FALSE(d.choice().autoSize);
    d.stretchBox()->click();
    EXPECT_TRUE(d.stretch());
    d.setOptions(false, true);
    EXPECT_TRUE(d.autoSizeBox()->isChecked());
    EXPECT_FALSE(d.stretchBox()->isChecked());
}

TEST(ImageBrowserWidgetTest, PreviewOfReadableAndUnreadableFiles) {
    QTemporaryDir dir;
    std::map<QString, PictureFile> files;
    QImage big(400, 300, QImage::Format_ARGB32);
    big.fill(Qt::transparent);
    for (int y = 50; y < 250; ++y)
        for (int x = 100; x < 300; ++x) big.setPixel(x, y, qRgb(255, 0, y));
    files[dir.filePath("big.tga")] = PictureFile{PictureKind::Bitmap, big, {}, {}};
    files[dir.filePath("vector.wmf")] = PictureFile{PictureKind::Metafile, {}, QByteArray("\xD7\xCD\xC6\x9A....", 8), {}};
    for (const char* name : {"big.tga", "vector.wmf", "bad.bmp", "bad.jpg", "bad.pcx", "bad.wmf"}) touch(dir.filePath(name));

    TKImageBrowser d;
    d.setLoader([&](const QString& path) {
        const auto it = files.find(path);
        return it != files.end() ? it->second : PictureFile{PictureKind::None, {}, {}, "damaged"};
    });
    QStringList errors;
    d.setErrorReporter([&](const QString& title, const QString& m, bool warning) {
        errors << (warning ? "warning: " : "") + title + ": " + m;
    });
    d.setDirectory(dir.path());
    d.show();
    ASSERT_TRUE(waitFor([&] { return listedFiles(d).size() == 6; }));

    // The list taking the focus makes a row current but chooses nothing;
    // selecting a row previews its file.
    d.fileList()->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(d.selectedFile().isEmpty());
    EXPECT_TRUE(errors.isEmpty());
    d.fileList()->selectionModel()->select(d.fileModel()->index(dir.filePath("big.tga")),
                                           QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(d.selectedFile(), dir.filePath("big.tga"));

    // A transparent picture becomes an opaque bitmap on white.
    d.selectFile(dir.filePath("big.tga"));
    EXPECT_FALSE(d.previewFailed());
    EXPECT_EQ(d.previewPicture().kind, "TBitmap");
    const QImage taken = d.previewPicture().toImage();
    EXPECT_EQ(taken.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(taken.pixel(150, 100), qRgb(255, 0, 100));
    EXPECT_TRUE(d.preview()->hasPicture());
    // Stretch fits it to the area; AutoSize shows it at its own size, scrollable.
    d.setOptions(true, false);
    EXPECT_EQ(d.preview()->size(), d.previewArea()->viewport()->size());
    keepShot(&d, "load-image-file-stretch");
    d.setOptions(false, true);
    EXPECT_EQ(d.preview()->size(), QSize(400, 300));
    EXPECT_GT(d.previewArea()->horizontalScrollBar()->maximum(), 0);
    keepShot(&d, "load-image-file-autosize");
    // Back to filling the area: the scroll bars go once the layout has run.
    d.setOptions(false, false);
    QApplication::processEvents();
    EXPECT_FALSE(d.previewArea()->horizontalScrollBar()->isVisible());
    EXPECT_EQ(d.preview()->size(), d.previewArea()->viewport()->size());
    PictureChoice c = d.choice();
    EXPECT_FALSE(c.loadFailed);
    EXPECT_EQ(c.picture, d.previewPicture());

    d.selectFile(dir.filePath("vector.wmf"));
    EXPECT_EQ(d.previewPicture().kind, "TMetafile");
    EXPECT_EQ(d.previewPicture().data, files[dir.filePath("vector.wmf")].bytes);
    EXPECT_TRUE(errors.isEmpty());

    // Every unreadable file says so, and Ok then reports the failure.
    for (const char* name : {"bad.bmp", "bad.jpg", "bad.pcx", "bad.wmf"}) {
        errors.clear();
        d.selectFile(dir.filePath(name));
        EXPECT_EQ(errors, QStringList{"Error: Error loading file!"}) << name;
        EXPECT_TRUE(d.previewFailed());
        EXPECT_FALSE(d.preview()->hasPicture());
        c = d.choice();
        EXPECT_TRUE(c.loadFailed) << name;
        EXPECT_TRUE(c.picture.isEmpty());
    }

    // A format without its decoder says so instead.
    PictureFile missing{PictureKind::None, {}, {}, brindle::pictures::missingDecoderText()};
    missing.decoderMissing = true;
    files[dir.filePath("bad.jpg")] = missing;
    errors.clear();
    d.selectFile(dir.filePath("bad.jpg"));
    EXPECT_EQ(errors, QStringList{"warning: " + brindle::pictures::missingDecoderTitle() + ": " +
                                  brindle::pictures::missingDecoderText()});
    EXPECT_TRUE(d.choice().loadFailed);

    // Another folder: nothing is selected any more.
    d.setDirectory(QDir::tempPath());
    EXPECT_TRUE(d.selectedFile().isEmpty());
    EXPECT_FALSE(d.choice().loadFailed);
}

TEST(ImageBrowserWidgetTest, DesignDialogsRunTheChooser) {
    QTemporaryDir dir;
    touch(dir.filePath("bad.bmp"), "not a picture at all");
    QtDesignDialogs dialogs;

    PictureChoice choice;
    whenOpen<TKImageBrowser>([](TKImageBrowser* d) { d->cancelButton()->click(); });
    EXPECT_FALSE(dialogs.choosePicture(choice));

    // Ok without a selected file is no choice.
    whenOpen<TKImageBrowser>([](TKImageBrowser* d) { d->okButton()->click(); });
    EXPECT_FALSE(dialogs.choosePicture(choice));

    // Ok after an unreadable file: the error was shown and the choice says it failed.
    choice.stretch = false;
    choice.autoSize = true;
    bool told = false;
    whenOpen<TKImageBrowser>([&](TKImageBrowser* d) {
        EXPECT_FALSE(d->stretch());
        EXPECT_TRUE(d->autoSize());
        whenOpen<QMessageBox>([&](QMessageBox* box) {
            told = box->text() == "Error loading file!" && box->icon() == QMessageBox::Critical;
            box->accept();
        });
        d->selectFile(dir.filePath("bad.bmp"));
        d->okButton()->click();
    });
    EXPECT_TRUE(dialogs.choosePicture(choice));
    EXPECT_TRUE(told);
    EXPECT_TRUE(choice.loadFailed);
    EXPECT_TRUE(choice.picture.isEmpty());
    EXPECT_TRUE(choice.autoSize);

    // The next time the chooser opens in the folder it was left in; a
    // readable file comes back as its picture.
    QImage good(30, 20, QImage::Format_RGB32);
    good.fill(Qt::green);
    ASSERT_TRUE(good.save(dir.filePath("good.bmp")));
    whenOpen<TKImageBrowser>([&](TKImageBrowser* d) {
        EXPECT_EQ(QDir(d->directory()), QDir(dir.path()));
        d->selectFile(dir.filePath("good.bmp"));
        d->okButton()->click();
    });
    EXPECT_TRUE(dialogs.choosePicture(choice));
    EXPECT_FALSE(choice.loadFailed);
    EXPECT_EQ(choice.picture.kind, "TBitmap");
    EXPECT_EQ(choice.picture.toImage().size(), QSize(30, 20));
}

}  // namespace
