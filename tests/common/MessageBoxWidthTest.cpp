// Message and question boxes are wide enough for their whole caption. With
// BRINDLE_DIALOG_SHOTS naming a folder, pictures of the boxes are kept there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include "common/ui/QtUserDialogs.h"

using namespace brindle::common;

namespace {

void keepShot(QWidget* w, const QString& name) {
    const QString folder = qEnvironmentVariable("BRINDLE_DIALOG_SHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    w->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

}  // namespace

TEST(MessageBoxWidth, ShortTextsKeepTheirCaptionWhole) {
    const struct {
        QMessageBox::Icon icon;
        const char* caption;
        const char* text;
    } boxes[] = {
        {QMessageBox::Question, "Possible Duplicate", "Continue adding?"},
        {QMessageBox::Information, "Copy Record to Clipboard", "Done"},
        {QMessageBox::Information, "Configuration Information", "Information copied to Windows clipboard"},
        {QMessageBox::Question, "DELETE", "Delete this record?"},
    };
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.caption);
        const QString caption = QString::fromLatin1(b.caption);
        auto box = QtUserDialogs::makeMessageBox(b.icon, caption, QString::fromLatin1(b.text),
                                                 QMessageBox::Yes | QMessageBox::No, nullptr);
        box->show();
        QApplication::processEvents();
        const int needed = QtUserDialogs::captionWidth(caption, box->font());
        EXPECT_GE(box->width(), needed);
        keepShot(box.get(), caption);
        box->hide();
    }

    // Without it such a box is narrower than its caption needs: the measure
    // is not met by accident.
    QMessageBox plain(QMessageBox::Question, QStringLiteral("Possible Duplicate"), QStringLiteral("Continue adding?"),
                      QMessageBox::Yes | QMessageBox::No);
    plain.show();
    QApplication::processEvents();
    EXPECT_LT(plain.width(), QtUserDialogs::captionWidth(plain.windowTitle(), plain.font()));
}

TEST(MessageBoxWidth, CaptionWidthGrowsWithTheCaptionAndLeavesRoomForTheFrame) {
    const QFont font = QApplication::font();
    const int empty = QtUserDialogs::captionWidth(QString(), font);
    EXPECT_GT(empty, 60);  // icon and frame buttons
    EXPECT_GT(QtUserDialogs::captionWidth(QStringLiteral("Possible Duplicate"), font), empty + 50);
    QFont big = font;
    big.setPointSizeF(font.pointSizeF() * 2);
    EXPECT_GT(QtUserDialogs::captionWidth(QStringLiteral("Possible Duplicate"), big),
              QtUserDialogs::captionWidth(QStringLiteral("Possible Duplicate"), font));
}

TEST(MessageBoxWidth, QuestionsAskedThroughTheDialogsAreWideAndKeepTheirDefault) {
    QtUserDialogs dialogs;
    int width = 0, needed = 0;
    bool defaultIsNo = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        width = box->width();
        needed = QtUserDialogs::captionWidth(box->windowTitle(), box->font());
        defaultIsNo = box->defaultButton() == box->button(QMessageBox::No);
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(dialogs.askYesNoDefaultNo(QStringLiteral("Possible duplicate: \r\n\r\nAnn Lee\r\n\r\nContinue adding?"),
                                          QStringLiteral("Possible Duplicate")));
    EXPECT_GE(width, needed);
    EXPECT_GT(needed, 0);
    EXPECT_TRUE(defaultIsNo);
}
