#include "designer/ui/QuickTipsDialog.h"

#include <QDialog>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace brindle::designer::ui {

void showQuickTips(QWidget* parent, const QVector<QPair<QString, QString>>& tips) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Quick Tips"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QTextBrowser(&dialog);
    QString html;
    for (const auto& [q, a] : tips)
        html += QStringLiteral("<p><b>%1</b><br>%2</p>").arg(q.toHtmlEscaped(), a.toHtmlEscaped());
    text->setHtml(html);
    layout->addWidget(text);
    auto* ok = new QPushButton(QStringLiteral("Ok"), &dialog);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(ok);
    dialog.resize(480, 420);
    dialog.exec();
}

}  // namespace brindle::designer::ui
