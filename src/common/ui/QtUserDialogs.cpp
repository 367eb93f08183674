#include "common/ui/QtUserDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>

namespace brindle::common {

namespace {

QMessageBox::StandardButton ask(QWidget* parent, const QString& message, const QString& caption,
                                QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::Question, caption, QtUserDialogs::displayText(message),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(defaultButton);
    box.setEscapeButton(QMessageBox::No);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

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
    QMessageBox box(QMessageBox::Information, caption, displayText(message), QMessageBox::Ok, parent_);
    box.exec();
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
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), displayText(message), QMessageBox::Ok, parent_);
    box.exec();
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
