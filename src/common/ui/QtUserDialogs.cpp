#include "common/ui/QtUserDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QSpacerItem>

namespace brindle::common {

namespace {

// Room beside the caption, in lines of the title font: the window icon on
// the left, minimise, maximise and close on the right, and the margins.
constexpr int kFrameRoomInLines = 7;

QMessageBox::StandardButton ask(QWidget* parent, const QString& message, const QString& caption,
                                QMessageBox::StandardButton defaultButton) {
    auto box = QtUserDialogs::makeMessageBox(QMessageBox::Question, caption, message,
                                             QMessageBox::Yes | QMessageBox::No, parent);
    box->setDefaultButton(defaultButton);
    box->setEscapeButton(QMessageBox::No);
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

}  // namespace

int QtUserDialogs::captionWidth(const QString& caption, const QFont& windowFont) {
    QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    QFont own = windowFont;
    title.setBold(true);
    own.setBold(true);
    const QFontMetrics a(title), b(own);
    const QFontMetrics& m = b.height() > a.height() ? b : a;
    return m.horizontalAdvance(caption) + kFrameRoomInLines * m.height();
}

std::unique_ptr<QMessageBox> QtUserDialogs::makeMessageBox(QMessageBox::Icon icon, const QString& caption,
                                                           const QString& message,
                                                           QMessageBox::StandardButtons buttons, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(icon, caption, displayText(message), buttons, parent);
    // A message box sizes itself to its layout whenever it is shown and
    // ignores a minimum width; a spacer across its grid is what it keeps.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        const int width = captionWidth(caption, box->font());
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    return box;
}

QString QtUserDialogs::displayText(const QString& message) {
    QString text = message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    return text;
}

QString QtUserDialogs::qtFilter(const QString& filter) {
    const QStringList parts = filter.split(QChar('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QChar(';'), QChar(' '));
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        QString description = parts[i].trimmed();
        // A description that already lists its patterns keeps them once.
        const int paren = description.indexOf(QChar('('));
        if (paren > 0) description = description.left(paren).trimmed();
        out << description + QStringLiteral(" (") + patterns.simplified() + QChar(')');
    }
    if (out.isEmpty() && !filter.isEmpty()) out << filter;
    return out.join(QStringLiteral(";;"));
}

void QtUserDialogs::showInfo(const QString& message, const QString& caption) {
    makeMessageBox(QMessageBox::Information, caption, message, QMessageBox::Ok, parent_)->exec();
}

bool QtUserDialogs::askYesNo(const QString& message, const QString& caption) {
    return ask(parent_, message, caption, QMessageBox::Yes) == QMessageBox::Yes;
}

bool QtUserDialogs::askYesNoDefaultNo(const QString& message, const QString& caption) {
    return ask(parent_, message, caption, QMessageBox::No) == QMessageBox::Yes;
}

void QtUserDialogs::showError(const QString& message) {
    // The busy pointer would otherwise stay over the message.
    const bool busy = busyDepth_ > 0;
    if (busy) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    makeMessageBox(QMessageBox::Critical, QStringLiteral("Error"), message, QMessageBox::Ok, parent_)->exec();
    if (busy) QGuiApplication::restoreOverrideCursor();
}

void QtUserDialogs::beep() { QApplication::beep(); }

QString QtUserDialogs::chooseOpenFile(const QString& caption, const QString& folder, const QString& filter,
                                      const QString& defaultSuffix) {
    QFileDialog dialog(parent_, caption, folder, qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString QtUserDialogs::chooseSaveFile(const QString& caption, const QString& folder, const QString& filter,
                                      const QString& defaultSuffix) {
    QFileDialog dialog(parent_, caption, folder, qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

void QtUserDialogs::beginBusy() {
    ++busyDepth_;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUserDialogs::endBusy() {
    // An unmatched end must not take away a pointer someone else set.
    if (busyDepth_ == 0) return;
    --busyDepth_;
    QGuiApplication::restoreOverrideCursor();
}

void QtUserDialogs::processEvents() { QCoreApplication::processEvents(); }

}  // namespace brindle::common
