#pragma once
// UserDialogs shown as real Qt dialogs: message boxes with their icons,
// captions and default buttons, file choosers, the busy pointer.
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "common/UserDialogs.h"

namespace brindle::common {

class QtUserDialogs : public UserDialogs {
public:
    // Dialogs are modal over `parent` (normally the main window); it may be
    // null and may be set later.
    explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    QWidget* parent() const { return parent_; }

    void showInfo(const QString& message, const QString& caption = QStringLiteral("Information")) override;
    bool askYesNo(const QString& message, const QString& caption) override;
    bool askYesNoDefaultNo(const QString& message, const QString& caption) override;
    void showError(const QString& message) override;
    void beep() override;
    QString chooseOpenFile(const QString& caption, const QString& folder, const QString& filter,
                           const QString& defaultSuffix) override;
    QString chooseSaveFile(const QString& caption, const QString& folder, const QString& filter,
                           const QString& defaultSuffix) override;
    void beginBusy() override;
    void endBusy() override;
    void processEvents() override;

    // "Text Files|*.txt|All Files|*.*" -> "Text Files (*.txt);;All Files (*)".
    static QString qtFilter(const QString& filter);
    // "\r\n" (and a lone "\r") as line breaks.
    static QString displayText(const QString& message);

    // The width a window needs so that its title bar shows `caption` whole:
    // the caption in the title font (bold, as window managers commonly draw
    // it, and never smaller than the window's own font) plus room for the
    // window icon and the frame's buttons.
    static int captionWidth(const QString& caption, const QFont& windowFont);
    // The box of a message or question, not yet shown: the caption, icon,
    // text and buttons, and at least captionWidth wide, so that short texts
    // under long captions ("Possible Duplicate") do not cut the caption.
    static std::unique_ptr<QMessageBox> makeMessageBox(QMessageBox::Icon icon, const QString& caption,
                                                       const QString& message, QMessageBox::StandardButtons buttons,
                                                       QWidget* parent);

private:
    QPointer<QWidget> parent_;
    int busyDepth_ = 0;
};

}  // namespace brindle::common
